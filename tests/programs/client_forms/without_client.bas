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
REM SAVE (channel) name asks a thin client for the picture of a screen:
REM error 17 on a channel that is no client's; a bracketed program name
REM alone is still the program's name.
OPEN (1)"/dev/null"
SAVE (1)"picture.bmp"
SAVE (1)"picture.bmp",5
SAVE (0)"picture.bmp"
SAVE ("pr"+"og")
CLOSE (1)
