REM ENTER in a resident program called again and again (warm calls): too
REM few or too many arguments, an integer on either side, the same ENTER
REM run twice, a mismatch; then an ENTER that is not the first statement.
DELETE
10 ENTER A,B$,C
20 PRINT "A=",A," B$=",B$," C=",C; A=A+1; B$=B$+"."; C=-C
30 IF C<-5 THEN GOTO 10
40 EXIT
SAVE "ahd"
DELETE
10 ADDR "ahd"
20 X=1; S$="s"; Y=2
30 CALL "ahd",X,S$,Y; CALL "ahd",X,S$,Y
40 PRINT "X=",X," S$=",S$," Y=",Y
50 CALL "ahd",X+1,S$,Y; CALL "ahd",X,S$,ERR=55
55 PRINT "fewer: ERR=",ERR; CALL "ahd",X,S$,Y,X,ERR=70
60 PRINT "more arguments taken"
70 PRINT "X=",X," S$=",S$," Y=",Y
80 X%=3; CALL "ahd",X%,S$,Y; CALL "ahd",X,S$,Y%
90 PRINT "X%=",X%," Y%=",Y%
100 Y=7; CALL "ahd",X,S$,Y,ERR=120
110 PRINT "ENTER twice returned?"
120 PRINT "ENTER twice: ERR=",ERR," X=",X," S$=",S$," Y=",Y
130 CALL "ahd",S$,X,Y,ERR=150
140 PRINT "mismatch returned?"
150 PRINT "mismatch: ERR=",ERR," X=",X," S$=",S$
160 DROP "ahd"
RUN
REM An ENTER that is not the first statement, with an integer, a value and
REM an array item.
DELETE
10 PRINT "before: A=",A; ENTER A,(B),C%,D[ALL]
20 PRINT "A=",A," B=",B," C%=",C%," D[1]=",D[1]; A=A*10; B=B*10; C%=C%*10; D[1]=D[1]*10
30 EXIT
SAVE "late"
DELETE
10 ADDR "late"
20 DIM Q[2]; Q[1]=4; A=1; B=2; C%=3
30 CALL "late",A,B,C%,Q[ALL]; CALL "late",A,B,C%,Q[ALL]
40 PRINT A,B,C%,Q[1]
50 DROP "late"
RUN
