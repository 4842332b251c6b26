REM Deferred close (+F): a parked descriptor does not outlive the next
REM commit (the end of a statement that wrote), a RENAME or an ERASE; a
REM file renamed away and made again under its old name is a new file to
REM OPEN, and a file replaced on disk while parked is opened afresh, not
REM read through the old descriptor.  INPUT (a wait for the user) and END
REM close parked files too.  HELD counts the descriptors this
REM process has open on a file (through the shell's parent).
10 OPEN (9)"<rm -rf t_dcc; mkdir t_dcc && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 SET_PARAM '+F','LU'
50 SERIAL "t_dcc/fq"
60 OPEN (1)"t_dcc/fq"
70 WRITE (1)"old"
80 CLOSE (1)
85 OPEN (1)"t_dcc/fq"; READ (1)A$; CLOSE (1)
90 F$="fq"; GOSUB 900; PRINT "parked after CLOSE:",HELD
100 RENAME "t_dcc/fq","t_dcc/fr"
110 F$="fr"; GOSUB 900; PRINT "held after RENAME:",HELD
120 SERIAL "t_dcc/fq"
130 OPEN (1)"t_dcc/fq"
140 WRITE (1)"new"
150 CLOSE (1)
160 OPEN (2)"t_dcc/fq"; READ (2,END=170)A$; PRINT "fq holds:",A$; READ (2,END=170)A$; PRINT "and:",A$
170 CLOSE (2)
180 OPEN (2)"t_dcc/fr"; READ (2,END=190)A$; PRINT "fr holds:",A$; READ (2,END=190)A$; PRINT "and:",A$
190 CLOSE (2)
200 REM a write on another channel commits: the parked file is closed
210 INDEXED "t_dcc/other",4,10
220 OPEN (3)"t_dcc/other"
230 F$="fr"; GOSUB 900; PRINT "fr parked:",HELD
240 WRITE (3,IND=0)"x"
250 F$="fr"; GOSUB 900; PRINT "fr after a commit:",HELD
260 CLOSE (3)
270 REM replaced on disk while parked
280 OPEN (1)"t_dcc/fq"; READ (1)A$; CLOSE (1)
290 SERIAL "t_dcc/fs"
300 OPEN (1)"t_dcc/fs"; WRITE (1)"replacement"; CLOSE (1)
310 OPEN (1)"t_dcc/fq"; READ (1)A$; CLOSE (1)
315 F$="fq"; GOSUB 900; PRINT "fq parked:",HELD
320 OPEN (9)"<mv t_dcc/fs t_dcc/fq && echo moved"; READ (9)A$; CLOSE (9); PRINT A$
330 OPEN (1)"t_dcc/fq"; READ (1)A$; CLOSE (1)
340 PRINT "fq now reads:",A$
350 ERASE "t_dcc/fq"
360 F$="fq"; GOSUB 900; PRINT "held after ERASE:",HELD
362 OPEN (1)"t_dcc/fr"; READ (1)A$; CLOSE (1)
364 F$="fr"; GOSUB 900; PRINT "fr parked:",HELD
366 INPUT "answer: ",A$
368 F$="fr"; GOSUB 900; PRINT "held after INPUT:",HELD
369 OPEN (1)"t_dcc/fr"; READ (1)A$; CLOSE (1)
370 SET_PARAM '-F'
375 F$="fr"; GOSUB 900; PRINT "fr parked before END:",HELD
390 END
900 OPEN (8)"<ls -l /proc/$PPID/fd | grep -c '/t_dcc/"+F$+"$'"
910 READ (8)A$; CLOSE (8); HELD=NUM(A$)
920 RETURN
RUN
typed
OPEN (8)"<ls -l /proc/$PPID/fd | grep -c '/t_dcc/fr$'"; READ (8)A$; CLOSE (8); PRINT "held after END:",A$
OPEN (9)"<rm -rf t_dcc; echo cleaned"; READ (9)A$; CLOSE (9); PRINT A$
