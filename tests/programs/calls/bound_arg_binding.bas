REM A bound call's binding and return as the called program sees them: an
REM integer of the caller makes the number an integer for that call (its
REM stores truncate), the next call's plain number is not one; the binding
REM marks the variables changed (CHG); after a CLEAR, ENTER again binds
REM the values the call passed; the values around an integer of the
REM caller, strings among them, go back once each.
DELETE
10 ENTER A,B$,C
20 A=A+1.7; C=C+0.25; B$=B$+"+"
30 PRINT "in: A=",A," C=",C," CHG=",CHG("A,B$,C,D")
40 EXIT
SAVE "barg1"
DELETE
10 ENTER A,B$,C
20 PRINT "entered: A=",A," B$=",B$," C=",C
30 IF %N=0 THEN %N=1; A=99; C=98; CLEAR; GOTO 10
40 A=A+1; C=C+1; B$=B$+"!"
50 EXIT
SAVE "barg2"
DELETE
10 ENTER P$,I,Q$,R
20 P$=P$+"p"; I=I+2.5; Q$=Q$+"q"; R=R*3
30 EXIT
SAVE "barg3"
DELETE
10 ADDR "barg1"; ADDR "barg2"; ADDR "barg3"
20 X=1; S$="s"; Y=2; X%=3
30 FOR J=1 TO 2; CALL "barg1",X,S$,Y; PRINT "X=",X," S$=",S$," Y=",Y; NEXT J
40 CALL "barg1",X%,S$,Y; PRINT "X%=",X%," S$=",S$," Y=",Y
50 CALL "barg1",X,S$,Y; PRINT "plain again: X=",X," Y=",Y
60 FOR J=1 TO 2; %N=0; X=5; S$="t"; Y=6; CALL "barg2",X,S$,Y; PRINT "X=",X," S$=",S$," Y=",Y; NEXT J
70 A$="a"; B$="b"; K%=1; Z=1
80 FOR J=1 TO 3; CALL "barg3",A$,K%,B$,Z; PRINT "A$=",A$," K%=",K%," B$=",B$," Z=",Z; NEXT J
90 FOR J=1 TO 2; CALL "barg3",A$,Z,B$,K%; PRINT "A$=",A$," Z=",Z," B$=",B$," K%=",K%; NEXT J
100 DROP "barg1"; DROP "barg2"; DROP "barg3"
RUN
