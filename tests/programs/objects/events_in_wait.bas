REM The event timer's Timeout runs its handler during a WAIT, once for each
REM period that passes (none merged with the next): WAIT 2.5 with a timer
REM of 1 second sees two.  The wait goes on for the time left after each.
10 DEF CLASS "H"
20 PROPERTY N
30 FUNCTION TICK() FOR EVENT "Timeout"
40 N=N+1
50 PRINT "tick",N
60 FUNCTION END
70 END DEF
80 DEF OBJECT S,"*system"
90 H=NEW("H")
100 ON EVENT FROM S PROCESS H
110 ENABLE EVENT TIM 1
120 WAIT 2.5
130 DISABLE EVENT TIM
140 PRINT "ticks:",H'N
150 END
SAVE "ew"
RUN
