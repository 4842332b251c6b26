REM A program called again and again (resident or kept) starts each call
REM afresh: the variables of the last call are cleared, a reference comes
REM back and a value does not, a whole array moves there and back, and a
REM global ("%") variable is looked up again after CLEAR took it away.
10 ENTER N,S$,(V),A[ALL]
20 PRINT "in: N=",N," S$=",S$," V=",V," LEFT=",LEFT," A[1]=",A[1]," %G=",%G
30 N=N*2; S$=S$+"!"; V=-1; A[1]=A[1]+1; LEFT=99; %G=%G+1
40 EXIT
SAVE "rep"
DELETE
10 ADDR "rep"
20 DIM Q[2]; Q[1]=10
30 FOR I=1 TO 3
40 N=I; S$="s"+STR(I); V=I
50 CALL "rep",N,S$,V,Q[ALL]
60 PRINT "out: N=",N," S$=",S$," V=",V," Q[1]=",Q[1]," %G=",%G
70 NEXT I
80 CLEAR %G
90 CALL "rep",N,S$,V,Q[ALL]
100 PRINT "after CLEAR %G: N=",N," %G=",%G
110 DROP "rep"
RUN
REM The same from the console, without ADDR, and with a prefixed name.
CALL "rep",N,S$,V,Q[ALL]
CLEAR %G
CALL "[lcl]rep",N,S$,V,Q[ALL]
PRINT N,S$,Q[1],%G
REM Recursion: every level has variables of its own.
DELETE
10 ENTER K,R
20 IF K<=1 THEN R=1; EXIT
30 CALL "fact",K-1,R1
40 R=K*R1
50 PRINT "level",K,"R1=",R1
60 EXIT
SAVE "fact"
CALL "fact",5,X
PRINT "5! =",X
ADDR "fact"
CALL "fact",6,X
PRINT "6! =",X
DROP "fact"
REM A callee with a function of its own and a loop left open at EXIT.
DELETE
10 ENTER A
20 DEF FNQ(X)=X*3
30 FOR J=1 TO 5
40 IF J=2 THEN A=FNQ(A+J); EXIT
50 NEXT J
SAVE "openfor"
DELETE
10 FOR I=1 TO 3; Z=I; CALL "openfor",Z; PRINT Z,; NEXT I
20 PRINT
RUN
REM An error in a called program, again and again: each one is reported
REM with the callee's line, and the caller's ERR= takes it.
DELETE
10 ENTER A
20 B=A/0
30 EXIT
SAVE "fails"
DELETE
10 FOR I=1 TO 3
20 CALL "fails",I,ERR=40
30 PRINT "not reached"
40 PRINT "call",I,"error",ERR,"at",TCB(5)
50 NEXT I
60 CALL "fails",1
RUN
REM ENTER with more items than arguments, a wrong kind, an item twice.
DELETE
10 ENTER A,B$
20 PRINT "A=",A," B$=",B$
30 EXIT
SAVE "two"
DELETE
10 ENTER A,A
20 EXIT
SAVE "same"
DELETE
10 FOR I=1 TO 2
20 CALL "two",I,"x"; U=1; W=2
30 CALL "two",I,ERR=60
40 PRINT "one argument for two?"
50 GOTO 70
60 PRINT "too few: error",ERR
70 CALL "two","x","y",ERR=90
80 PRINT "a string for a number?"
90 PRINT "wrong kind: error",ERR
100 CALL "same",U,W,ERR=120
110 PRINT "an item twice?"
120 PRINT "twice: error",ERR
130 NEXT I
RUN
REM Names: too long for a string, too long for a file name, empty.
N$=DIM(8193,"a")
CALL N$
CALL N$(1,600)
CALL ""
REM ENTER bound once and reused: defaults taken or given in turn, a value
REM argument, a whole array, an item missing its argument, a program that
REM clears its variables before EXIT, and an ENTER with ERR= (never kept).
DELETE
10 ENTER (V),N,A$[ALL],D=5,E$="e"
20 PRINT "V=",V," N=",N," A$[1]=",A$[1]," D=",D," E$=",E$
30 V=0; N=N+1; A$[1]=A$[1]+"+"
40 EXIT
SAVE "dflt"
DELETE
10 ENTER X,Y$
20 PRINT "X=",X," Y$=",Y$
30 X=-1; CLEAR
40 EXIT
SAVE "clr"
DELETE
10 ENTER ERR=40,A,B
20 PRINT "A=",A," B=",B
30 EXIT
40 PRINT "ENTER error",ERR; EXIT
SAVE "witherr"
DELETE
10 DIM S$[2]; S$[1]="s"; K=1
20 FOR I=1 TO 4
30 IF MOD(I,2) THEN CALL "dflt",I,K,S$[ALL] ELSE CALL "dflt",I*10,K,S$[ALL],I,"x"
40 PRINT "K=",K," S$[1]=",S$[1]
50 NEXT I
60 CALL "dflt",1,K,ERR=80
70 PRINT "an array left out?"
80 PRINT "array missing: error",ERR
90 CALL "dflt",1,ERR=110
100 PRINT "a reference left out?"
110 PRINT "two missing: error",ERR
120 FOR I=1 TO 3; T$="t"+STR(I); CALL "clr",I,T$; PRINT "I=",I," T$=",T$; NEXT I
130 FOR I=1 TO 3; CALL "witherr",I; NEXT I
RUN
