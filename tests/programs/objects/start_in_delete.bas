REM START in a delete handler run by DROP OBJECT: the object goes, then the
REM restart is made (no program, no variables).
10 DEF CLASS "M"
20 END DEF
30 H=NEW("M")
35 DROP OBJECT H
40 PRINT "not reached"
45 END
500 ON_DELETE:
505 PRINT "handler"
510 START
520 EXIT
SAVE "sd"
A=5
RUN
PRINT "after",A
LIST
