REM A program the cache keeps, whose file changes after its first call and
REM which this process then drops (an ERASE): the next call, which could
REM start warm, reads the file again, whether the program has variables or
REM none, called with arguments or without.
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
30 INVOKE "cp wvar.two wvar"; INVOKE "cp warg.two warg"; INVOKE "cp wnone.two wnone"; ERASE "drop.mark",ERR=*NEXT
40 FOR I=1 TO 2; CALL "wvar"; CALL "warg",X; CALL "wnone"; NEXT I
50 INVOKE "cp wvar.one wvar"; INVOKE "cp warg.one warg"; INVOKE "cp wnone.one wnone"; ERASE "drop.mark",ERR=*NEXT
60 FOR I=1 TO 2; CALL "wvar"; CALL "warg",X; CALL "wnone"; NEXT I
70 PRINT "X=",X
RUN
