REM A program a class names (its PROGRAM clause, a handler kept in another
REM program) must be a program or serial file when the class is defined;
REM LOAD CLASS refuses an empty file name and a class name with ";".
X=1; SAVE DATA "vd1"
SERIAL "ser1"
10 PRINT "prog1"
SAVE "prog1"
DELETE
10 DEF CLASS "PC1"
20 PROGRAM "vd1"
30 END DEF
40 PRINT "PC1 defined"
SAVE "pc1"
RUN
DELETE
10 DEF CLASS "PC2"
20 PROPERTY X GET "vd1;LBL"
30 END DEF
40 PRINT "PC2 defined"
SAVE "pc2"
RUN
DELETE
10 DEF CLASS "PC3"
20 FUNCTION M() "nothere;LBL"
30 END DEF
40 PRINT "PC3 defined"
SAVE "pc3"
RUN
DELETE
10 DEF CLASS "PC4"
20 PROGRAM "ser1"
30 PROPERTY Y SET "prog1;LBL"
40 FUNCTION M() ";LBL"
50 END DEF
60 PRINT "PC4 defined"
SAVE "pc4"
RUN
LOAD CLASS "Q",""
LOAD CLASS "A;B"
LOAD CLASS ""
