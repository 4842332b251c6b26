REM NEW of a class under a prefixed name ("sub/WIDGET" for the class
REM Widget) reuses the class its file defined, at one statement as at
REM another, while objects of it live; once none lives the class stays
REM cached as one found by its own name does.
DIRECTORY "sub"
10 DEF CLASS "Widget"
20 PROPERTY N
30 END DEF
50 ON_CREATE:
60 N=7
70 EXIT
SAVE "sub/WIDGET.orc"
DELETE
10 FOR I=1 TO 2
20 H=NEW("sub/WIDGET",ERR=50); PRINT "same statement:",H'N
30 NEXT I
40 G=NEW("sub/WIDGET",ERR=60); PRINT "another:",G'N; END
50 PRINT "same statement error",ERR; GOTO 30
60 PRINT "another error",ERR
RUN
DROP OBJECT H
K=NEW("sub/WIDGET"); PRINT K'N; DROP OBJECT K
DELETE
10 DEF CLASS "Widget"
20 PROPERTY N
30 END DEF
50 ON_CREATE:
60 N=8
70 EXIT
SAVE "sub/WIDGET.orc"
DELETE
K=NEW("sub/WIDGET"); PRINT K'N; DROP OBJECT K
