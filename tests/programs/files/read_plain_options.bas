10 REM READ (n) and READ (n,END=line): the common option forms
20 ERASE "rpo.txt",ERR=30
30 SERIAL "rpo.txt"; OPEN LOCK (3)"rpo.txt"
40 FOR I=1 TO 3; WRITE (3)"line",I; NEXT I; CLOSE (3)
50 OPEN (3)"rpo.txt"
60 READ (3,END=90)A$,N; PRINT A$,N,LFA
70 GOTO 60
90 PRINT "end at",N
100 READ (3,END=120)A$
110 PRINT "not reached"
120 PRINT "end again"
130 GOTO 150
140 READ (3)A$
150 CLOSE (3); OPEN (3)"rpo.txt"
160 READ (3,ERR=180,END=170)A$; PRINT A$; GOTO 160
170 PRINT "end with ERR="
180 READ (4,END=190,ERR=185)A$
185 PRINT "channel 4:",ERR
190 READ (70000,END=210,ERR=205)A$
205 PRINT "channel 70000:",ERR
210 READ (4,END=215)A$
215 PRINT "not reached"
220 CLOSE (3); OPEN (3)"rpo.txt"; SETERR 260
230 READ (3,END=250)A$,B$
240 PRINT "read",A$; GOTO 230
250 PRINT "end of records"; CLOSE (3); ERASE "rpo.txt"; END
260 PRINT "error",ERR,"at",TCB(5); RETRY
RUN
RUN 220
RUN 140
