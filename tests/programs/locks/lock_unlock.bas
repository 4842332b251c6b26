10 REM LOCK and UNLOCK of whole channels in one process
20 INVOKE "rm -f oru_lk_a.txt"
30 SERIAL "oru_lk_a.txt"
40 OPEN (1)"oru_lk_a.txt"
50 LOCK (1)
60 LOCK (1)
70 PRINT "locked twice without error"
80 UNLOCK (1)
90 UNLOCK (1,ERR=200)
100 LOCK (7,ERR=300)
110 LOCK (0,ERR=400)
120 PRINT "not reached"
130 END
200 PRINT "UNLOCK of an unlocked channel: error",ERR; GOTO 100
300 PRINT "LOCK of a closed channel: error",ERR; GOTO 110
400 PRINT "LOCK of the console: error",ERR
410 CLOSE (1); INVOKE "rm -f oru_lk_a.txt"
RUN
