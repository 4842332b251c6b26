REM A statement that deletes its own line and the lines after it through
REM EXECUTE goes on to the first line still there: the deleted lines never
REM run again, and the rest of its own line runs as typed.  One that clears
REM or replaces the whole program ends it, as DELETE alone on the line does.
10 PRINT "a"
20 EXECUTE "DELETE 10,30"; PRINT "after delete"
30 PRINT "deleted 30 ran"
40 PRINT "line 40"
RUN
LIST
DELETE
10 PRINT "a"
20 X=7; EXECUTE "DELETE"; PRINT "after clearing", X
30 PRINT "deleted 30 ran"
RUN
LIST
10 PRINT "b"
20 EXECUTE "20"; EXECUTE "30"; PRINT "after two"
30 PRINT "deleted 30 ran"
40 PRINT "line 40"
RUN
LIST
DELETE
10 PRINT "img"
20 EXECUTE "DELETE 30"; PRINT "after delete"
30 PRINT "deleted 30 ran"
40 PRINT "line 40"
SAVE "img1"
DELETE
LOAD "img1"
RUN
LIST
DELETE
10 PRINT "c"
20 EXECUTE "LOAD ""img1"""; PRINT "not run"
30 PRINT "old 30 ran"
RUN
LIST
