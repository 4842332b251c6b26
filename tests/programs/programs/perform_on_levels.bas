REM A registration made while its program runs waits at each call level
REM that runs the program then: a callee that registers logic on its caller
REM and then CALLs the caller again sees the logic fire in the new call
REM only, not in the caller it returns to.  Lines and labels alike.
10 ENTER N
20 PRINT "A at 20, depth ",N
30 IF N=0 THEN CALL "pl_b",N
40 PRINT "A at 40, depth ",N
50 PRINT "A here, depth ",N
60 HERE:
70 PRINT "A end, depth ",N
80 EXIT
SAVE "pl_a"
DELETE
10 ENTER N
20 EXECUTE "PRINT ""[line 40]""" ON "pl_a;40"
30 EXECUTE "PRINT ""[label]""" ON BEGIN "pl_a;here"
40 CALL "pl_a",N+1
50 PRINT "B back"
60 EXIT
SAVE "pl_b"
DELETE
CALL "pl_a",0
PRINT "-- a new call of the caller"
CALL "pl_a",7
