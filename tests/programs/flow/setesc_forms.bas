REM SETESC "name" names the escape-handler program: an escape with no
REM SETESC line to take it calls that program, whose EXIT goes on with the
REM statement the escape came before.  SETESC STOP passes the line by, SETESC
REM DISABLE the program; ON and ENABLE take them back.  (EXIT 127 of a
REM called program is an escape at the start of its CALL; this one escapes
REM every other time it is called.)
10 %E=1-%E; IF %E THEN EXIT 127
20 EXIT
SAVE "escapes"
DELETE
10 PRINT "handler program, ERR",ERR
20 EXIT
SAVE "eschand"
DELETE
10 SETESC "eschand"
20 CALL "escapes"
30 PRINT "after the call"
40 SETESC 500; CALL "escapes"
50 SETESC STOP; CALL "escapes"
60 SETESC DISABLE; CALL "escapes"
70 PRINT "went on"
80 SETESC ON; SETESC ENABLE; CALL "escapes"
90 SETESC ""; SETESC OFF; CALL "escapes"
100 PRINT "end"; END
500 PRINT "SETESC line"; RETURN
RUN
RUN
RUN
LIST 40,90
