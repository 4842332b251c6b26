REM A name that evaluates to nothing never takes a bound call, even right
REM after bound calls of the same site's program: the empty name's error,
REM from a program line and from the console; the bound calls go on after.
DELETE
10 ENTER A,B$
20 A=A+1; B$=B$+"."
30 EXIT
SAVE "ben"
DELETE
10 ADDR "ben"; X=0; S$=""
20 FOR I=1 TO 4; P$="ben"; IF I=3 THEN P$=""
30 CALL P$,X,S$,ERR=50
40 PRINT "call ",I,": X=",X," S$=",S$; GOTO 60
50 PRINT "call ",I,": ERR=",ERR," X=",X," S$=",S$
60 NEXT I
70 E$=""; CALL E$,X,S$
RUN
PRINT X,S$
CALL E$,X,S$
CALL "ben",X,S$
PRINT X,S$
DROP "ben"
ERASE "ben"
