REM STK(n) gives each call level's own line: the running program's current
REM line, a caller's the line of its CALL.  PGM(n,level) lists a line of the
REM program at that level, PGM(-2,level) its path.
10 PRINT "callee"
20 PRINT STK(0)
30 PRINT STK(1)
40 PRINT PGM(10,0)
50 PRINT PGM(15,1)
60 PRINT PGM(-2,1)
65 PRINT PGM(10,0)
70 EXIT
SAVE "stk_callee.tmp"
DELETE
10 REM caller
15 LET X=1; REM the calling line
20 CALL "stk_callee.tmp"
30 PRINT STK(0)
40 PRINT PGM(15)
50 END
SAVE "stk_caller.tmp"
RUN
ERASE "stk_callee.tmp"
ERASE "stk_caller.tmp"
