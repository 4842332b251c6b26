REM Where a bound call leaves the cursor, the statement loop goes on from it
REM as from any statement: the ENTER alone on the program's only line (the
REM program runs off its end), statements after the ENTER on its line
REM (a separator, a remark), the ENTER's line followed by a line of remarks.
DELETE
10 ENTER A,B$
SAVE "bca1"
DELETE
10 ENTER A,B$; A=A+1; B$=B$+"b"; REM after
20 EXIT
SAVE "bca2"
DELETE
10 ENTER A,B$
20 REM nothing here
30 A=A*2; B$=B$+"c"; EXIT
SAVE "bca3"
DELETE
10 ADDR "bca1"; ADDR "bca2"; ADDR "bca3"; X=1; S$=""
20 FOR I=1 TO 3; CALL "bca1",X,S$; PRINT "bca1 ",I,": X=",X," S$=",S$; NEXT I
30 FOR I=1 TO 3; CALL "bca2",X,S$; PRINT "bca2 ",I,": X=",X," S$=",S$; NEXT I
40 FOR I=1 TO 3; CALL "bca3",X,S$; PRINT "bca3 ",I,": X=",X," S$=",S$; NEXT I
50 FOR I=1 TO 2; CALL "bca2",X,S$; CALL "bca3",X,S$; CALL "bca1",X,S$; NEXT I
60 PRINT "X=",X," S$=",S$
70 DROP "bca1"; DROP "bca2"; DROP "bca3"
RUN
ERASE "bca1"
ERASE "bca2"
ERASE "bca3"
