REM Forms that reach a thin client, on a console without one: SAVE FILE of a
REM "[vrl]" name is error 10, of any other name error 99; a "[lcl]" command
REM runs on this machine without its prefix.
SAVE FILE (0) TO "[vrl]screen.bmp"
SAVE FILE (0) TO "screen.bmp"
SAVE FILE (0) TO "[LCL]screen.bmp"
SAVE FILE (5) TO "screen.bmp"
SAVE FILE (0) "screen.bmp"
INVOKE "[lcl]echo local command"
