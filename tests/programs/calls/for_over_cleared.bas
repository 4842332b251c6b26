REM A loop of a caller whose variables a performed program cleared (CLEAR,
REM BEGIN) goes on with its own count: every pass runs, and nothing is
REM written into the variables that went.
10 CLEAR
SAVE "pclr"
DELETE
10 BEGIN
SAVE "pbeg"
DELETE
10 FOR K=1 TO 3
20 PERFORM "pclr"
30 A1=100
40 PRINT K,A1
50 NEXT K
60 PRINT "done",A1
70 FOR J=2 TO 6 STEP 2; PERFORM "pbeg"; PRINT "pass"; NEXT J
80 PRINT "done"
RUN
