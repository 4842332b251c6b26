REM A Timeout handler slower than the event timer's period is not
REM interrupted by the next Timeout: the periods that pass meanwhile wait
REM for it to end (a WAIT inside the handler serves no events), so the
REM handlers never nest and the program goes on.
10 DEF CLASS "H"
20 PROPERTY N,D,MX
30 FUNCTION TICK() FOR EVENT "Timeout"
40 N=N+1; D=D+1; IF D>MX THEN MX=D
50 WAIT 1.2
60 D=D-1
70 FUNCTION END
80 END DEF
90 DEF OBJECT S,"*system"
100 H=NEW("H")
110 ON EVENT FROM S PROCESS H
120 ENABLE EVENT TIM 1
130 WAIT 2.5
140 DISABLE EVENT TIM
150 PRINT "deepest:",H'MX,"ran:",H'N>=2
160 END
SAVE "nest"
RUN
