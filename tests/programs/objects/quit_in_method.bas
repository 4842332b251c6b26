REM QUIT inside a method ends the process: every level is left and the
REM program does not go on after the call.
10 DEF CLASS "Q"
20 FUNCTION GO()
30 PRINT "in method"
40 QUIT
50 FUNCTION END
60 END DEF
70 H=NEW("Q")
80 X=H'GO()
90 PRINT "after the method"
100 END
SAVE "qm"
RUN
PRINT "console goes on"
