REM A breakpoint set while bound calls run: the calls before it bind, the
REM program stops at the breakpoint's line, and goes on from there.
DELETE
10 ENTER A,B$
20 A=A+1; B$=B$+"."
30 EXIT
SAVE "bdbg"
DELETE
10 ADDR "bdbg"; X=1; S$="s"
20 FOR I=1 TO 3; CALL "bdbg",X,S$; NEXT I
30 PRINT "before: X=",X," S$=",S$
40 CALL "bdbg",X,S$; PRINT "after: X=",X," S$=",S$
50 DROP "bdbg"
> +40
RUN
PRINT "stopped: X=",X
> -40
RUN 40
