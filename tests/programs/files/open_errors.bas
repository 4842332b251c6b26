REM OPEN refusals leave no channel half open; names; link files (a chain of
REM ten opens its target, eleven is error 10; "[Kiv" headers read as "[Oru");
REM the create modifier (OPT= words of a minus open).
10 OPEN (9)"<rm -rf t_open; mkdir t_open && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 OPEN (1,ERR=120)"t_open/missing"
110 PRINT "no error?"
120 PRINT "missing file: error",ERR
130 READ (1,ERR=150)A$
140 PRINT "no error?"
150 PRINT "channel 1 after the failed OPEN: error",ERR
160 OPEN (1,ERR=180)""
170 PRINT "no error?"
180 PRINT "empty name: error",ERR
190 OPEN (1,ERR=210)"t_open"+DIM(600,"x")
200 PRINT "no error?"
210 PRINT "name of 606 characters: error",ERR
220 SERIAL "t_open/data"
230 OPEN (1)"t_open/data"
240 OPEN (1,ERR=260)"t_open/data"
250 PRINT "no error?"
260 PRINT "channel already open: error",ERR
270 CLOSE (1)
300 REM link files: 256-byte headers naming the next file
310 LET H$="[Orulnk]"
320 FOR I=1 TO 11
330 LET T$="t_open/data"
340 IF I>1 THEN LET T$="t_open/link"+STR(I-1)
350 IF I=5 THEN LET H$="[Kivlnk]"
360 SERIAL "t_open/link"+STR(I)
370 OPEN LOCK (1,BIN=256)"t_open/link"+STR(I)
380 WRITE RECORD (1)H$+PAD(T$,60)+DIM(12," ")
390 CLOSE (1)
395 LET H$="[Orulnk]"
400 NEXT I
410 OPEN (1)"t_open/link10"
420 PRINT "ten links: opened"
425 CLOSE (1)
430 OPEN (1,ERR=450)"t_open/link11"
440 PRINT "no error?"
450 PRINT "eleven links: error",ERR
500 REM a minus open with OPT="O_CREATE" creates a missing file
510 OPEN -(1,OPT="O_CREATE")"t_open/made"
520 CLOSE (1)
530 OPEN (1)"t_open/made"
540 PRINT "created and opened again"
550 CLOSE (1)
900 OPEN (9)"<rm -rf t_open; echo cleaned"
910 READ (9)A$
920 PRINT A$
930 CLOSE (9)
RUN
