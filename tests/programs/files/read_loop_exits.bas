REM The loop of a file (READ, kept sums, back) leaves it where the READs
REM left it on each way out: at a line its kept path does not take, at a sum
REM that stops with an error, at the file's end.  The channel's record index
REM and the next READ's line show where the channel stands.
10 ERASE "rle.txt",ERR=20
20 SERIAL "rle.txt"; OPEN LOCK (1)"rle.txt"
30 FOR I=1 TO 3000
40 IF I=1500 THEN WRITE (1)DIM(80,"L")+STR(I),I ELSE WRITE (1)"line "+STR(I),I
50 NEXT I; CLOSE (1)
RUN
DELETE
10 DIM A[2000]; OPEN (1)"rle.txt"; N=0; T=0
20 READ (1,END=60)A$
30 N=N+1
40 T=T+A[N]
50 GOTO 20
60 PRINT "never here"
RUN
PRINT N,T,IND(1),A$
READ (1)A$,K; PRINT A$,K,IND(1)
CLOSE (1)
DELETE
10 OPEN (1)"rle.txt"; N=0; M=0
20 READ (1,END=50)A$,K
30 N=N+1; M=M+K
40 GOTO 20
50 PRINT N,M,IND(1),A$,K; CLOSE (1)
RUN
DELETE
10 OPEN (1)"rle.txt"; N=0
20 READ (1,END=50)A$
30 N=N+1
40 GOTO 20
50 PRINT N,IND(1),A$; CLOSE (1); ERASE "rle.txt"
RUN
DELETE
REM Three items: a field that is no number stops the loop at its line.
10 ERASE "rle3.txt",ERR=20
20 SERIAL "rle3.txt"; OPEN LOCK (1)"rle3.txt"
30 FOR I=1 TO 2000
40 IF I=777 THEN WRITE (1)"a","x"+STR(I),"b" ELSE WRITE (1)"a"+STR(I),I,"b"+STR(I)
50 NEXT I; CLOSE (1)
60 OPEN (1)"rle3.txt"; N=0; T=0
70 READ (1,END=120,ERR=110)A$,K,B$
80 N=N+1
90 T=T+K
100 GOTO 70
110 PRINT "error ",ERR," after ",N,", at ",IND(1),", ",A$,K,B$; GOTO 70
120 PRINT N,T,IND(1),A$,K,B$; CLOSE (1); ERASE "rle3.txt"
RUN
