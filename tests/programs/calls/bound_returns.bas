REM Returns from bound calls that take the general way: a FOR loop or a
REM GOSUB left open, an integer of the caller, a DIM of another variable;
REM ENTER followed by more on its line, ENTER as the only line; nested bound
REM calls and an error two levels down; STK(OBJECT) in a bound call.
DELETE
10 ENTER A,B$
20 PRINT "loop: A=",A," B$=",B$," K=",K," STK=",STK(OBJECT); DIM K[3]; K[1]=A
30 FOR I=1 TO 3; A=A+1; IF I=2 THEN EXIT
40 NEXT I
SAVE "bret1"
DELETE
10 ENTER A,B$; A=A*2; B$=B$+"!"
20 GOSUB 40
30 PRINT "not reached"
40 IF A>100 THEN EXIT 42
50 EXIT
SAVE "bret2"
DELETE
10 ENTER N,T$
SAVE "bret3"
DELETE
10 ENTER N,T$
20 N=N+1; CALL "bret2",N,T$; T$=T$+"3"
30 EXIT
SAVE "bret4"
DELETE
10 ADDR "bret1"; ADDR "bret2"; ADDR "bret3"; ADDR "bret4"
20 X=1; S$="s"
30 FOR J=1 TO 2; CALL "bret1",X,S$; PRINT "X=",X," S$=",S$; NEXT J
40 X%=5; CALL "bret1",X%,S$; PRINT "X%=",X%
50 FOR J=1 TO 2; CALL "bret2",X,S$; PRINT "X=",X," S$=",S$; NEXT J
60 X%=7; CALL "bret2",X%,S$; PRINT "X%=",X%," S$=",S$
70 X=200; CALL "bret2",X,S$,ERR=80; PRINT "no error?"
80 PRINT "EXIT 42: ERR=",ERR," X=",X
90 E$=""; CALL "bret3",X,E$; CALL "bret3",X,E$; PRINT "only ENTER: X=",X," E$=[",E$,"]"
100 X=1; FOR J=1 TO 2; CALL "bret4",X,S$; PRINT "nested: X=",X," S$=",S$; NEXT J
110 X=60; CALL "bret4",X,S$,ERR=120; PRINT "no error?"
120 PRINT "two levels down: ERR=",ERR," X=",X," S$=",S$
130 DROP "bret1"; DROP "bret2"; DROP "bret3"; DROP "bret4"
RUN
