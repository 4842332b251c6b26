REM INSERT and UPDATE with a variable list, REFILE, files opened by name
10 OPEN (9)"<rm -rf t_insupd; mkdir t_insupd && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 SERIAL "t_insupd/s1"
50 OPEN LOCK (1,IOL=1000)"t_insupd/s1"
60 A$="x"; N=5
70 INSERT DATA A$,N,(1)
80 UPDATE DATA N,A$,(1,ERR=900)
90 CLOSE (1)
100 OPEN (1)"t_insupd/s1"
110 READ (1,END=140)X$,Y$
120 PRINT X$,"/",Y$
130 GOTO 110
140 CLOSE (1)
150 REM a file named without a stored list: error 84, and it is closed again
160 INSERT DATA A$,"t_insupd/s1",ERR=170
165 PRINT "not reached"
170 PRINT "error",ERR
180 REFILE "t_insupd/s1"
190 OPEN (1)"t_insupd/s1"
200 READ (1,END=220)X$
210 PRINT "not empty"
220 PRINT "empty after REFILE, error",ERR
230 CLOSE (1)
240 REFILE "t_insupd/none",ERR=260
250 PRINT "not reached"
260 PRINT "REFILE of a missing file: error",ERR
300 REM reading by name opens the file on a hidden channel and keeps it
310 SERIAL "t_insupd/s2"
320 OPEN LOCK (1)"t_insupd/s2"
330 WRITE (1)"one"
340 WRITE (1)"two"
350 CLOSE (1)
360 READ ("t_insupd/s2")X$
370 READ ("t_insupd/s2")Y$
380 PRINT X$," ",Y$
385 PRINT "hidden channel 63 at record",IND(63)
390 READ ("t_insupd/missing",ERR=410)X$
400 PRINT "not reached"
410 PRINT "missing by name: error",ERR
420 CLOSE (63)
430 READ ("t_insupd/s2")Z$
440 PRINT "reopened: ",Z$
450 OPEN (9)"<rm -rf t_insupd; echo done"
455 READ (9)A$
460 CLOSE (9)
465 PRINT A$
470 END
900 PRINT "error",ERR
910 END
1000 IOLIST Q$,R
RUN
PRINT IND(63)
