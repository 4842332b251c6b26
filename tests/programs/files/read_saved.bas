REM A program run from its file: READ's END= and ERR= and GOTO name lines
REM (and labels) by index there; the loops read, branch and count as typed.
DELETE
10 SERIAL "rs.txt"; OPEN LOCK (1)"rs.txt"
20 FOR I=1 TO 200; WRITE (1)"line "+STR(I),I*10; NEXT I
30 WRITE (1)"bad","x7"; WRITE (1)"last",60; CLOSE (1)
40 OPEN (1)"rs.txt"; N=0; T=0
50 READ (1,END=90,ERR=80)A$,K
60 N=N+1; T=T+K
70 GOTO 50
80 PRINT "ERR=",ERR," after ",A$; GOTO 50
90 PRINT "lines ",N," total ",T," last ",A$
100 CLOSE (1); OPEN (1)"rs.txt"; N=0
110 TOP: READ (1,END=*NEXTLINE)A$; N=N+1; GOTO TOP
120 PRINT "by label: ",N
130 CLOSE (1); OPEN (1)"rs.txt"; N=0
140 READ (1,END=160)A$; N=N+1; IF N=3 THEN GOTO 160
150 GOTO 140
160 PRINT "stopped at ",N," ",A$
170 CLOSE (1); ERASE "rs.txt"
SAVE "rsprog"
DELETE
RUN "rsprog"
LOAD "rsprog"
RUN
ERASE "rsprog"
