REM an error inside a delete handler is dropped: the object goes and the
REM caller's ERR stays as it was (0, or the caller's own last error)
10 DEF CLASS "DHERR"
20 END DEF
100 ON_DELETE:
110 PRINT "handler runs"
120 X=1/0
130 PRINT "not reached"
140 EXIT
SAVE "DHERR.orc"
DELETE
10 H=NEW("DHERR")
20 DROP OBJECT H
30 PRINT "after drop:",ERR
40 OPEN (1,ERR=*NEXT)"no such file"
50 PRINT "own error:",ERR
60 H=NEW("DHERR"); DROP OBJECT H
70 PRINT "after second drop:",ERR
RUN
