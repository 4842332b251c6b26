REM A bound call is taken only while the caller's state matches the one its
REM warm start was built for, tested as one word: here each part changes
REM between calls of one loop (floating point and ROUND, the precision, the
REM WITH value, logic attached with EXECUTE ON) and changes back; every call
REM shows what the callee was handed.
DELETE
10 ENTER A,B$
20 PRINT "in ",A,": 2/3=",2/3," 5/2=",5/2," B$=",B$
30 A=A+1; B$=B$+"."
40 EXIT
SAVE "bcw"
DELETE
10 ADDR "bcw"; PRECISION 2; X=0; S$=""
20 FOR I=1 TO 11
30 IF I=2 THEN PRECISION 0
40 IF I=3 THEN PRECISION 2; ROUND
50 IF I=4 THEN ROUND OFF; PRECISION -1
60 IF I=5 THEN PRECISION 2
70 IF I=6 THEN WITH 3
80 IF I=7 THEN END WITH
90 IF I=8 THEN EXECUTE "PRINT ""  logic at 30 of bcw""" ON "bcw;30"
100 IF I=10 THEN EXECUTE "" ON "bcw;30"
110 CALL "bcw",X,S$
120 NEXT I
130 PRINT "X=",X," S$=",S$
140 DROP "bcw"
RUN
ERASE "bcw"
