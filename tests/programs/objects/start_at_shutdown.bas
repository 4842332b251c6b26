REM START in a delete handler run at shut-down: the handler's restart is
REM dropped and the session ends.
10 DEF CLASS "M"
20 END DEF
30 H=NEW("M")
40 END
500 ON_DELETE:
505 PRINT "handler"
510 START
520 EXIT
SAVE "sq"
RUN
QUIT
