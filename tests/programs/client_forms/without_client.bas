REM Forms that reach a thin client, on a console without one: SAVE FILE of a
REM "[vrl]" name is error 10, of any other name error 99; a "[lcl]" command
REM runs on this machine without its prefix.
SAVE FILE (0) TO "[vrl]screen.bmp"
SAVE FILE (0) TO "screen.bmp"
SAVE FILE (0) TO "[LCL]screen.bmp"
SAVE FILE (5) TO "screen.bmp"
SAVE FILE (0) "screen.bmp"
INVOKE "[lcl]echo local command"
REM SAVE CONTROL is a statement of the client: error 98 without one, which
REM ERR= takes in a program.
SAVE CONTROL 5,"state"
10 SAVE CONTROL 5,ERR=30
20 PRINT "not here"
30 PRINT "E",ERR
RUN
