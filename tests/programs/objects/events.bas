REM Events: the "*system" object raises FileOpen and FileClose; ON EVENT
REM connects the FOR EVENT methods of a handler object; a handler whose
REM code fails is swallowed and the program goes on with its error state
REM intact; PREINPUT and REMOVE; a dropped handler runs nothing.
10 DEF CLASS "WATCH"
20 PROPERTY OPENS
30 FUNCTION OPENED(CH,NAME$) FOR EVENT "FileOpen"
40 ENTER CH,NAME$
50 OPENS=OPENS+1
60 PRINT "opened",CH,NAME$
70 EXIT
80 FUNCTION END
90 FUNCTION CLOSED(CH) FOR EVENT "FileClose"
100 ENTER CH
110 PRINT "closed",CH
120 X=1/0
130 EXIT
140 FUNCTION END
150 END DEF
200 DEF OBJECT EVH,"*system"
210 W=NEW("WATCH")
220 ON EVENT FROM EVH PROCESS W
230 ENABLE EVENT OPEN
240 SERIAL "evfile"
250 OPEN (1)"evfile"
260 ENABLE EVENT CLOSE (1)
270 PRINT "before close"
280 CLOSE (1); PRINT "same statement goes on"
290 PRINT "after close, ERR:",ERR
300 DISABLE EVENT OPEN
310 OPEN (2)"evfile"; CLOSE (2)
320 PRINT "opens:",W'OPENS
330 ON EVENT "FileOpen" FROM EVH PREINPUT 5
340 ON EVENT "FileOpen" FROM EVH REMOVE
350 DROP OBJECT W
360 ENABLE EVENT OPEN
370 OPEN (3)"evfile"; CLOSE (3)
380 PRINT "handler gone: nothing runs"
390 END
SAVE "ev"
RUN
LIST 220,260
