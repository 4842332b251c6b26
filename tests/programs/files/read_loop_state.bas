REM The serial READ loop (READ, a count, GOTO back) and what its statements
REM leave behind them: an ERR= branch of READ belongs to READ alone (an
REM error of a later statement, on its line or the next, is not taken there); an escape that comes
REM during the loop (SIGINT) runs the SETESC routine at the next statement;
REM TRACE switched on and off by the loop itself; two channels; END= on a
REM channel read on a line of its own.
DELETE
10 INVOKE "rm -f rs.txt"; SERIAL "rs.txt"; OPEN LOCK (1)"rs.txt"
20 FOR I=1 TO 30; WRITE (1)"line "+STR(I),I; NEXT I; CLOSE (1)
30 CLOSE (1); OPEN (1)"rs.txt"; N=0
40 READ (1,END=80,ERR=70)A$
50 N=N+1; IF N=7 THEN X=1/0
60 GOTO 40
70 PRINT "ERR= taken for ",ERR; STOP
80 PRINT "END= after ",N
RUN
PRINT "stopped: N=",N," A$=",A$," ERR=",ERR
RUN 30
DELETE
10 CLOSE (1); OPEN (1)"rs.txt"; N=0
20 READ (1,END=80,ERR=70)A$; N=N+1; IF N=9 THEN X=1/0
30 GOTO 20
70 PRINT "ERR= taken for ",ERR; STOP
80 PRINT "END= after ",N
RUN
PRINT "stopped: N=",N," A$=",A$
DELETE
10 CLOSE (1); OPEN (1)"rs.txt"; N=0; SETESC 100
20 READ (1,END=90,ERR=80)A$
30 N=N+1; IF N=5 THEN INVOKE "kill -INT "+STR(TCB(506))
40 GOTO 20
80 PRINT "ERR=",ERR; STOP
90 PRINT "lines ",N," last ",A$; CLOSE (1); STOP
100 PRINT "escape after ",N," ",A$; RETURN
RUN
DELETE
10 CLOSE (1); OPEN (1)"rs.txt"; N=0
20 READ (1,END=90)A$
30 N=N+1; IF N=3 THEN TRACE
40 IF N=5 THEN ENDT
50 GOTO 20
90 PRINT "lines ",N," last ",A$; CLOSE (1)
RUN
DELETE
10 CLOSE (1); OPEN (1)"rs.txt"; OPEN (2)"rs.txt"; N=0; READ (2)B$
20 READ (1,END=90)A$
30 READ (2,END=80)B$
40 N=N+1
50 GOTO 20
80 PRINT "channel 2 ended at ",N," ",A$," ",B$; CLOSE (1); CLOSE (2); STOP
90 PRINT "channel 1 ended at ",N
RUN
ERASE "rs.txt"
