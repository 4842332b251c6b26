REM CLEAR in a called program frees the variables its ENTER bound to the
REM caller's: nothing goes back to the caller's numbers, and its strings,
REM lent to the call, stay empty.  The first call takes the long way, the
REM later ones are bound; each returns the same way, by EXIT and by END.
DELETE
10 ENTER A,B$,C
20 PRINT "cclr: A=",A," B$=",B$," C=",C
30 IF A>=2 THEN CLEAR
40 A=A+1; B$=B$+"b"; C=C*2
50 EXIT
SAVE "cclr"
DELETE
10 ENTER A,B$
20 A=A+1; B$=B$+"e"
30 IF A>=3 THEN CLEAR
40 END
SAVE "cclrend"
DELETE
10 X=1; S$="s"; Y=1
20 FOR I=1 TO 4; CALL "cclr",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y; NEXT I
30 X=1; S$="s"
40 FOR I=1 TO 4; CALL "cclrend",X,S$; PRINT "main: X=",X," S$=",S$; NEXT I
RUN
SET_PARAM 'PC'=3
RUN
