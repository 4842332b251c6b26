REM Bound calls take their frame before the arguments are checked: a check
REM that fails part way (an expression, a string passed twice, a string for
REM a number) gives the frame back and the call goes the long way; an ERR=
REM on a bound call that succeeds; bound calls made from inside bound calls,
REM several levels deep, each with its own arguments; ERR= taken by an EXIT
REM with an error number at the innermost level.
DELETE
10 ENTER A,B$,C
20 IF C<0 THEN EXIT -C
30 A=A+1; B$=B$+"x"; C=C*2
40 EXIT
SAVE "bfr"
DELETE
10 ENTER D,N,T$,Q
20 IF D>0 THEN D=D-1; CALL "bnest",D,N,T$,Q,ERR=60
30 CALL "bfr",N,T$,Q,ERR=50
40 N=N+10; EXIT
50 PRINT "level ",D," ERR=",ERR; T$=T$+"!"; EXIT
60 PRINT "inner failed at level ",D," ERR=",ERR; EXIT
SAVE "bnest"
DELETE
10 ADDR "bfr"; ADDR "bnest"
20 X=1; S$="s"; Y=1
30 FOR I=1 TO 3; CALL "bfr",X,S$,Y,ERR=900; NEXT I
40 PRINT "ERR= kept: X=",X," S$=",S$," Y=",Y
50 CALL "bfr",X,S$,Y+1; PRINT "expression third: X=",X," S$=",S$," Y=",Y
60 CALL "bfr",X+1,S$,Y; PRINT "expression first: X=",X," S$=",S$," Y=",Y
70 CALL "bfr",X,S$,S$,ERR=80; PRINT "no error?"
80 PRINT "string for a number: ERR=",ERR," X=",X," S$=",S$
90 CALL "bfr",X,S$,Y; PRINT "bound again: X=",X," S$=",S$," Y=",Y
100 FOR J=1 TO 2; L=3; N=5; T$="t"; Q=1
110 CALL "bnest",L,N,T$,Q,ERR=900
120 PRINT "nest ",J,": L=",L," N=",N," T$=",T$," Q=",Q; NEXT J
130 L=2; N=0; T$="e"; Q=-7; CALL "bnest",L,N,T$,Q
140 PRINT "after EXIT 7 inside: L=",L," N=",N," T$=",T$," Q=",Q
150 Y=-3; CALL "bfr",X,S$,Y,ERR=160; PRINT "no error?"
160 PRINT "EXIT 3 with ERR=: ERR=",ERR," X=",X," S$=",S$," Y=",Y
170 Y=2; CALL "bfr",X,S$,Y,ERR=900; PRINT "after: X=",X," S$=",S$," Y=",Y
180 DROP "bfr"; DROP "bnest"; END
900 PRINT "ERR= taken? ERR=",ERR; END
RUN
ERASE "bfr"
ERASE "bnest"
