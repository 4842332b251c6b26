REM With parameter *S, START with a size or a program restarts only the
REM program: its variables go, the lines stay (or the named program runs),
REM and the program runs again from its first line.
PRINT PRM('*S')
SET_PARAM '*S'
PRINT PRM('*S')
10 PRINT "run", N, PRM('SZ'); N=N+1
20 IF PRM('SZ')<>200 THEN START 200
30 PRINT "after", N, PRM('SZ')
RUN
LIST
10 PRINT "saved program"
SAVE "softp"
DELETE
10 PRINT "first"; START "softp"
20 PRINT "not reached"
RUN
LIST
SET_PARAM -'*S'
PRINT PRM('*S')
