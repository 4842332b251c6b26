REM A program whose bound calls leave its variables parked is also the
REM program of an object's CREATE handler: the handler's load takes what
REM the calls left, calls made while the object lives go the long way, and
REM bound calls after its drop start from what the handler's return left.
DELETE
10 ENTER A,B$
20 PRINT "po: A=",A," B$=",B$," K=",K," T=",T; K=A; A=A+1; B$=B$+"o"
30 EXIT
100 INIT: PRINT "init: K=",K," T=",T; K=5; T=T+1; EXIT
SAVE "po"
DELETE
10 DEF CLASS "POC" CREATE "po;INIT"
20 END DEF
30 ADDR "po"; X=1; S$=""
40 FOR I=1 TO 3; CALL "po",X,S$; NEXT I
50 O=NEW("POC"); FOR I=1 TO 2; CALL "po",X,S$; NEXT I
60 DROP OBJECT O; FOR I=1 TO 3; CALL "po",X,S$; NEXT I
70 O=NEW("POC"); P=NEW("POC"); DROP OBJECT O; DROP OBJECT P
80 FOR I=1 TO 2; CALL "po",X,S$; NEXT I; PRINT "X=",X," S$=",S$
90 DROP "po"; CALL "po",X,S$; O=NEW("POC"); DROP OBJECT O; CALL "po",X,S$
RUN
ERASE "po"
