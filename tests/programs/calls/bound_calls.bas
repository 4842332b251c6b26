REM A CALL site bound straight to the callee's ENTER (warm, every argument a
REM variable by reference): values flow back, the callee's other variables
REM start cleared, an error of the callee reaches the caller's ERR= and
REM SETERR, EXIT with an error number, RETRY.
DELETE
10 ENTER A,B$,C
20 IF A<0 THEN EXIT -A
30 IF A=99 THEN Z=1/0
40 PRINT "in: A=",A," B$=",B$," C=",C," K=",K
50 A=A+1; B$=B$+"."; C=C*2; K=K+1
60 EXIT
SAVE "bnd"
DELETE
10 ADDR "bnd"
20 X=1; S$="s"; Y=3
30 FOR I=1 TO 3; CALL "bnd",X,S$,Y; NEXT I
40 PRINT "X=",X," S$=",S$," Y=",Y
50 X=-12; CALL "bnd",X,S$,Y,ERR=60; PRINT "no error?"
60 PRINT "EXIT 12: ERR=",ERR," X=",X," S$=",S$
70 X=99; CALL "bnd",X,S$,Y,ERR=80; PRINT "no error?"
80 PRINT "callee error: ERR=",ERR," X=",X," S$=",S$
90 SETERR 200; X=-11; CALL "bnd",X,S$,Y
100 PRINT "after RETRY: X=",X," S$=",S$," Y=",Y; SETERR 0
110 X%=7; CALL "bnd",X%,S$,Y; PRINT "X%=",X%
120 CALL "bnd",X,S$,S$,ERR=130
130 PRINT "a string for a number: ERR=",ERR
140 CALL "bnd",X,S$,ERR=150
150 PRINT "too few: ERR=",ERR," X=",X
160 CALL "bnd",X,S$,Y,Y,ERR=170
170 PRINT "too many: ERR=",ERR," X=",X
180 DROP "bnd"
190 END
200 PRINT "SETERR: ERR=",ERR," X=",X; X=2; RETRY
RUN
REM The same site calls two programs by a name that changes, and a program
REM that is replaced (saved again) while resident; a program calling itself.
DELETE
10 ENTER N,T$
20 PRINT "one: N=",N," T$=",T$; N=N+1; T$="one"
30 EXIT
SAVE "bone"
DELETE
10 ENTER T$,N
20 PRINT "two: T$=",T$," N=",N; N=N+10; T$="two"
30 EXIT
SAVE "btwo"
DELETE
10 ENTER Q,Q$
20 PRINT "three: Q=",Q," Q$=",Q$; Q=-Q; Q$="three"
30 EXIT
SAVE "bthree"
DELETE
10 ENTER L,R$
20 R$=R$+STR(L); IF L>0 THEN L=L-1; CALL "brec",L,R$
30 EXIT
SAVE "brec"
DELETE
10 ADDR "bone"; ADDR "btwo"; ADDR "brec"; ADDR "bthree"
20 A=1; B$="b"
30 FOR I=1 TO 6; P$="bone"; IF MOD(I,3)=1 THEN P$="btwo" ELSE IF MOD(I,3)=2 THEN P$="bthree"
40 CALL P$,A,B$,ERR=60
50 PRINT "back: A=",A," B$=",B$; GOTO 70
60 PRINT "error ",ERR," calling ",P$
70 NEXT I
80 L=3; R$=""; CALL "brec",L,R$; PRINT "recursion: L=",L," R$=",R$
90 CALL "brec",L,R$; PRINT "again: L=",L," R$=",R$
RUN
DELETE
10 ENTER N$,T
20 PRINT "replaced: N$=",N$," T=",T; T=T*100
30 EXIT
SAVE "bone"
DROP "bone"
ADDR "bone"
10 A=1; B$="b"; CALL "bone",B$,A; PRINT "A=",A
20 CALL "bone",A,B$,ERR=30; PRINT "no error?"
30 PRINT "old form: ERR=",ERR
RUN
REM Traced calls show the ENTER line.
DELETE
10 ADDR "bnd"
20 X=1; S$="t"; Y=1
30 CALL "bnd",X,S$,Y
RUN
TRACE
RUN
ENDT
DROP "bnd"
DROP "bone"; DROP "btwo"; DROP "brec"; DROP "bthree"
