REM A READ that ends its line goes on to the next line as the loop kept that
REM step, while nothing is pending and the line is the one it was kept from;
REM a GOTO to a line that starts with READ goes to the READ at once.  Loops
REM of several lines: END= and ERR= to lines before and after, the next line
REM starting with a label, a label before the READ, two channels read by
REM turns on lines of their own, a READ on the line before the last; a line
REM put in after the READ between two runs; the program run from its file;
REM TRACE on (the loop then serves at each line end).
DELETE
10 INVOKE "rm -f rl.txt"; SERIAL "rl.txt"; OPEN LOCK (1)"rl.txt"
20 FOR I=1 TO 60; WRITE (1)"row "+STR(I),I; NEXT I
30 WRITE (1)"odd","x9"; WRITE (1)"tail",7; CLOSE (1)
40 OPEN (1)"rl.txt"; N=0; T=0
50 READ (1,END=100,ERR=90)A$,K
60 N=N+1
70 T=T+K
80 GOTO 50
90 PRINT "ERR=",ERR," after ",A$; GOTO 50
100 PRINT "lines ",N," total ",T," last ",A$
110 CLOSE (1); OPEN (1)"rl.txt"; N=0
120 TOP: READ (1,END=150)A$
130 MORE: N=N+1; IF N=5 THEN PRINT "fifth ",A$
140 GOTO TOP
150 PRINT "strings ",N," last ",A$
160 CLOSE (1); OPEN (1)"rl.txt"; OPEN (2)"rl.txt"; N=0
170 READ (1,END=210)A$
180 READ (2,END=210)B$
190 IF A$<>B$ THEN PRINT "differ ",A$," ",B$
195 N=N+1
200 GOTO 170
210 PRINT "pairs ",N; CLOSE (1); CLOSE (2)
220 OPEN (1)"rl.txt"
230 READ (1)A$
240 PRINT "after the last READ ",A$; CLOSE (1)
RUN
125 T=T+100
RUN
PRINT T
SAVE "rlprog"
DELETE
RUN "rlprog"
ERASE "rlprog"
DELETE
10 OPEN (1)"rl.txt"; N=0
20 READ (1,END=50)A$
30 N=N+1; IF N=4 THEN GOTO 50
40 GOTO 20
50 PRINT N," ",A$; CLOSE (1)
TRACE
RUN
ERASE "rl.txt"
