REM Bound calls whose argument records change shape on one frame: the same
REM count with the kinds the other way round, fewer and more arguments, and
REM a call that goes the long way in between; a program called from two
REM statements of one loop returns to each in turn; a called program that
REM makes a new variable on a later call keeps it (cleared) for the next.
DELETE
10 ENTER A$,B
20 A$=A$+"<"; B=B+1; EXIT
SAVE "brs_sn"
DELETE
10 ENTER A,B$
20 A=A*2; B$=">"+B$; EXIT
SAVE "brs_ns"
DELETE
10 ENTER A,B$,C
20 A=A-1; B$=B$+"3"; C=C+0.5; EXIT
SAVE "brs_3"
DELETE
10 ENTER N
20 PRINT "in brs_new: N=",N," Z=",Z," Y$=",Y$
30 IF N>1 THEN Z=N*10
40 IF N>2 THEN Y$="y"+STR(N)
50 N=N+100; EXIT
SAVE "brs_new"
DELETE
10 ADDR "brs_sn"; ADDR "brs_ns"; ADDR "brs_3"; ADDR "brs_new"
20 S$="s"; X=1; T$="t"; Y=2
30 FOR I=1 TO 3
40 CALL "brs_sn",S$,X; CALL "brs_ns",Y,T$; CALL "brs_3",X,S$,Y
50 CALL "brs_ns",X+1,T$; CALL "brs_sn",S$,Y
60 PRINT I,": S$=",S$," X=",X," T$=",T$," Y=",Y
70 NEXT I
80 FOR I=1 TO 2
90 CALL "brs_3",X,S$,Y; PRINT "first statement ",I
100 CALL "brs_3",Y,T$,X; PRINT "second statement ",I
110 NEXT I
120 PRINT "X=",X," S$=",S$," Y=",Y," T$=",T$
130 FOR I=1 TO 4; K=I; CALL "brs_new",K; PRINT "K=",K; NEXT I
140 DROP "brs_sn"; DROP "brs_ns"; DROP "brs_3"; DROP "brs_new"; END
RUN
ERASE "brs_sn"
ERASE "brs_ns"
ERASE "brs_3"
ERASE "brs_new"
