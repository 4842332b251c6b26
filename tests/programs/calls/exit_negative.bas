REM EXIT n raises error n at the calling statement; a negative n is error
REM 41, taken by the caller's ERR= or reported at its line
10 ENTER N
20 EXIT N
SAVE "exneg"
DELETE
10 CALL "exneg",-5,ERR=30
20 PRINT "not reached"
30 PRINT "exit -5:",ERR
40 CALL "exneg",-1,ERR=60
50 PRINT "not reached"
60 PRINT "exit -1:",ERR
70 CALL "exneg",300,ERR=90
80 PRINT "not reached"
90 PRINT "exit 300:",ERR
100 CALL "exneg",-5
RUN
