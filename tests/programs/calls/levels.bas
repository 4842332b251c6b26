REM Three levels; the last ends with END, which returns like EXIT.
10 ENTER L$
20 PRINT "level 3 called by ",L$
30 END
SAVE "third"
DELETE
10 ENTER L$
20 PRINT "level 2 called by ",L$
30 CALL "third","second"
40 PRINT "level 2 again"
50 EXIT
SAVE "second"
DELETE
10 PRINT "level 1"
20 CALL "second","first"
30 PRINT "level 1 again"
RUN
REM Called from the console, the program returns to the console.
CALL "second","the console"
PRINT "console goes on"
REM STOP in a called program returns like END and EXIT.
DELETE
10 PRINT "before the stop"
20 STOP
30 PRINT "after the stop"
40 EXIT
SAVE "stopper"
DELETE
10 CALL "stopper"
20 PRINT "back in the caller"
RUN
REM With NE set an error stays in the called program: the prompt shows the
REM call level, LIST lists that program, and EXIT typed at the console
REM returns and stops behind the call, where RUN goes on.
SET_PARAM 'NE'
DELETE
10 X=1/0
20 EXIT
SAVE "divider"
DELETE
10 CALL "divider"
20 PRINT "caller goes on"
RUN
LIST
EXIT
RUN
