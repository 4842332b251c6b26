REM 100,000 NEW/DROP pairs (1,000,000 in the unit tests) of an object with three properties leave the
REM memory accounting (DSZ, the bytes left) exactly where it was, and the
REM handle is reused every time.
10 DEF CLASS "ITEM"
20 PROPERTY A,B,C$
30 END DEF
40 FOR I=1 TO 1000
50 H=NEW("ITEM"); H'A=I; H'C$="x"; DROP OBJECT H
60 NEXT I
70 M=DSZ
80 FOR I=1 TO 100000
90 H=NEW("ITEM"); H'A=I; H'B=2; H'C$="abc"; DROP OBJECT H
100 NEXT I
110 PRINT "memory change:",DSZ-M
120 PRINT "last handle:",H
130 PRINT "in use inside an object:",VOOP
RUN
