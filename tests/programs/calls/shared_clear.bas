REM A program that runs with its caller's variables (PERFORM, or ENTER
REM without a list) and clears them frees also the variables its caller's
REM ENTER bound to arguments: that caller's EXIT then sends nothing back
REM to its own caller (whose lent strings stay empty), also when the clear
REM happens two levels down.
DELETE
10 ENTER A,B$,C
20 PRINT "scmid: A=",A," B$=",B$," C=",C
30 PERFORM "scclr"
40 PRINT "scmid after: A=",A," B$=",B$," C=",C
50 A=A+1; B$=B$+"b"; C=C+2; D=7
60 EXIT
SAVE "scmid"
DELETE
10 IF A>=2 THEN CLEAR
20 EXIT
SAVE "scclr"
DELETE
10 ENTER A,B$,C
20 CALL "scshr"
30 A=A+1; B$=B$+"b"; C=C+2; D=7
40 EXIT
SAVE "scmid2"
DELETE
10 ENTER
20 PERFORM "scclr"
30 EXIT
SAVE "scshr"
DELETE
10 X=1; S$="s"; Y=1
20 FOR I=1 TO 3; CALL "scmid",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y; NEXT I
30 X=1; S$="s"; Y=1
40 FOR I=1 TO 3; CALL "scmid2",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y; NEXT I
RUN
SET_PARAM 'PC'=3
RUN
