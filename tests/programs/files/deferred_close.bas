REM Deferred close (+F): a closed serial file's descriptor is parked and the
REM next OPEN of the same path takes it over; an exclusive or input-only
REM OPEN of that path has it closed first and opens afresh, and is not
REM refused as if the parked descriptor were still a channel of this process.
10 OPEN (9)"<rm -rf t_defer; mkdir t_defer && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
50 SET_PARAM '+F','LU'
60 SERIAL "t_defer/a"
70 OPEN (1)"t_defer/a"
80 WRITE (1)"one"
90 CLOSE (1)
100 OPEN (2)"t_defer/a"
110 READ (2)A$
120 PRINT "taken over: ",A$
130 CLOSE (2)
140 OPEN LOCK (3,ERR=900)"t_defer/a"
150 PRINT "exclusive open after a deferred close"
160 WRITE (3)"two"
170 CLOSE (3)
180 OPEN INPUT (4,ERR=900)"t_defer/a"
190 READ (4)A$,ERR=900
200 READ (4)B$,ERR=900
210 PRINT "input only: ",A$," ",B$
220 CLOSE (4)
230 REM many files parked: the oldest slots are closed to make room
240 FOR I=1 TO 40
250 SERIAL "t_defer/m"+STR(I)
260 OPEN (5)"t_defer/m"+STR(I)
270 WRITE (5)"file "+STR(I)
280 CLOSE (5)
290 NEXT I
300 LET N=0
310 FOR I=1 TO 40
320 OPEN LOCK (5,ERR=900)"t_defer/m"+STR(I)
330 READ (5)A$
340 IF A$="file "+STR(I) THEN LET N=N+1
350 CLOSE (5)
360 NEXT I
370 PRINT N," files read back whole"
380 ERASE "t_defer/a"
390 PRINT "erased while parked"
400 SET_PARAM -'+F'
800 OPEN (9)"<rm -rf t_defer; echo cleaned"
810 READ (9)A$
820 PRINT A$
830 CLOSE (9)
840 STOP
900 PRINT "error",ERR," at line",TCB(5)
910 GOTO 800
RUN
