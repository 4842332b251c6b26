REM A program the cache keeps, whose file changes after its first call:
REM the next call, which could start warm, reads the file again, whether
REM the program has variables or none, called with arguments or without.
10 N=N+1; PRINT "one: N=",N; EXIT
SAVE "wvar"
INVOKE "cp wvar wvar.one"
DELETE
10 ENTER A; A=A+1; PRINT "one: A=",A; EXIT
SAVE "warg"
INVOKE "cp warg warg.one"
DELETE
10 PRINT "one"; EXIT
SAVE "wnone"
INVOKE "cp wnone wnone.one"
DELETE
10 N=N+1; PRINT "two, longer: N=",N; EXIT
SAVE "wvar.two"
DELETE
10 ENTER A; A=A+10; PRINT "two, longer: A=",A; EXIT
SAVE "warg.two"
DELETE
10 PRINT "two, longer"; EXIT
SAVE "wnone.two"
DELETE
10 SET_PARAM 'PC'=5; X=0
20 CALL "wvar"; CALL "warg",X; CALL "wnone"
30 INVOKE "cp wvar.two wvar"; INVOKE "cp warg.two warg"; INVOKE "cp wnone.two wnone"
40 FOR I=1 TO 2; CALL "wvar"; CALL "warg",X; CALL "wnone"; NEXT I
50 INVOKE "cp wvar.one wvar"; INVOKE "cp warg.one warg"; INVOKE "cp wnone.one wnone"
60 FOR I=1 TO 2; CALL "wvar"; CALL "warg",X; CALL "wnone"; NEXT I
70 PRINT "X=",X
RUN
