REM Class files: NEW of a class that is not loaded runs NAME.orc up to its
REM DEF CLASS; LOAD CLASS, DROP CLASS, RENAME CLASS; a missing class, a file
REM that is no program, a program that is no class file: each gives its
REM error and the console goes on.
10 DEF CLASS "POINT"
20 PROPERTY X,Y
30 FUNCTION DIST()=SQR(X*X+Y*Y)
40 END DEF
50 PRINT "never reached: the file stops at its definition"
100 ON_CREATE:
110 ENTER X,Y
120 EXIT
SAVE "POINT.orc"
DELETE
10 P=NEW("POINT",3,4)
20 PRINT P'X,P'Y,P'DIST()
30 Q=NEW("POINT",6,8); PRINT Q'DIST()
40 END
RUN
DROP CLASS "POINT"
PRINT ERR
DROP OBJECT P
DROP OBJECT Q
DROP CLASS "POINT"
DROP CLASS "POINT"
DROP CLASS "POINT",ERR=10
LOAD CLASS "POINT"
LOAD CLASS "POINT"
RENAME CLASS "POINT","PT"
R=NEW("PT",1,1)
PRINT R'_CLASS$,R'X
H=NEW("PT")
X=NEW("MISSING")
SERIAL "BAD.orc"
X=NEW("BAD")
DELETE
10 PRINT "not a class"
SAVE "NOTCLASS.orc"
DELETE
X=NEW("NOTCLASS")
LOAD CLASS "TWO","POINT.orc"
PRINT "console goes on"
DEF CLASS "Q"
