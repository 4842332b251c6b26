REM An ERR= after ENTER's list takes the errors of the list as one before
REM it does: an argument of the wrong kind, one missing for an item without
REM a default, a default that fails; outside a called program too.
DELETE
10 ENTER A,B$,C=1/D,ERR=100
20 PRINT "eetrail: A=",A," B$=",B$," C=",C
30 A=A+1
40 EXIT
100 PRINT "eetrail: ENTER error",ERR; EXIT
SAVE "eetrail"
DELETE
10 ENTER ERR=100,A,B$,C=1/D
20 PRINT "eelead: A=",A," B$=",B$," C=",C; A=A+1; EXIT
100 PRINT "eelead: ENTER error",ERR; EXIT
SAVE "eelead"
DELETE
10 S$="s"; X=1
20 FOR I=1 TO 2
30 CALL "eetrail",X,S$,I; CALL "eetrail",S$,X; CALL "eetrail",X; CALL "eetrail",X,S$
40 CALL "eelead",X,S$,I; CALL "eelead",S$,X; CALL "eelead",X; CALL "eelead",X,S$
50 PRINT "main: X=",X
60 NEXT I
70 ENTER X,ERR=90
80 STOP
90 PRINT "main: ENTER error",ERR
RUN
