REM A bare ESCAPE inside a method does nothing: the method and the program
REM go on.
10 DEF CLASS "E"
20 FUNCTION GO()
30 ESCAPE
40 PRINT "method goes on"
50 RETURN 1
60 FUNCTION END
70 END DEF
80 H=NEW("E")
90 X=H'GO()
100 PRINT "program goes on",X
110 END
SAVE "em"
RUN
