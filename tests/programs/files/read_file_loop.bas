REM A file's loop that comes back to the READ it has just run (READ, kept
REM assignments, GOTO back) reads the following lines at once while the
REM READ's kept path takes them.  A line it does not take (longer than 63
REM bytes, an empty field, the end of the read buffer, a field that is no
REM number) goes the READ's whole way from the READ's own line: the counts,
REM the sums, the values left and the line an error names must be the
REM ones of the loop run statement by statement.
DELETE
10 ERASE "rfl.txt",ERR=20
20 SERIAL "rfl.txt"; OPEN LOCK (1)"rfl.txt"
30 FOR I=1 TO 6000
40 IF MOD(I,97)=0 THEN WRITE (1)DIM(70,"L")+STR(I),I; GOTO 80
50 IF MOD(I,89)=0 THEN WRITE (1)"",I; GOTO 80
60 IF I=4321 THEN WRITE (1)"bad","x"+STR(I); GOTO 80
70 WRITE (1)"line "+STR(I),I
80 NEXT I
90 CLOSE (1)
RUN
DELETE
REM One string item: the count, the last line.
10 OPEN (1)"rfl.txt"; N=0; M=0
20 READ (1,END=60)A$
30 N=N+1
40 M=M+2
50 GOTO 20
60 PRINT N,M,A$; CLOSE (1)
RUN
DELETE
REM The READ alone, straight back to itself.
10 OPEN (1)"rfl.txt"; N=0
20 READ (1,END=40)A$
30 GOTO 20
40 PRINT "read to the end: ",A$; CLOSE (1)
RUN
DELETE
REM A string and a number: the sum stops at the field that is no number
REM (ERR=), then the loop goes on.
10 OPEN (1)"rfl.txt"; N=0; T=0; E=0
20 READ (1,END=70,ERR=60)A$,K
30 N=N+1
40 T=T+K
50 GOTO 20
60 E=E+1; PRINT "error ",ERR," after ",N," lines, sum ",T; GOTO 20
70 PRINT N,T,E,A$,K; CLOSE (1)
RUN
DELETE
REM Without ERR=: the error names the READ's line, the loop's values stay.
10 OPEN (1)"rfl.txt"; N=0; T=0
20 READ (1,END=60)A$,K
30 N=N+1
40 T=T+K
50 GOTO 20
60 PRINT "never here"
RUN
PRINT "stopped: ",N," ",T," ",A$," ",K
CLOSE (1)
REM The same after an edit: the loop keeps nothing of the run before.
40 T=T+K+K
RUN 10
PRINT "stopped: ",N," ",T," ",A$," ",K
CLOSE (1)
ERASE "rfl.txt"
