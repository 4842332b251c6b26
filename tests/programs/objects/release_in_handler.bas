REM RELEASE inside an event handler (the event timer's Timeout during a
REM WAIT) ends the process.
10 DEF CLASS "H"
20 FUNCTION TICK() FOR EVENT "Timeout"
30 PRINT "tick"
40 RELEASE
50 FUNCTION END
60 END DEF
70 DEF OBJECT S,"*system"
80 H=NEW("H")
90 ON EVENT FROM S PROCESS H
100 ENABLE EVENT TIM 1
110 WAIT 3
120 PRINT "after the wait"
130 END
SAVE "rh"
RUN
PRINT "console goes on"
