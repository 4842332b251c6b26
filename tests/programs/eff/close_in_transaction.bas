REM Inside a transaction only a channel that made an update in it must stay
REM open until COMMIT or ROLLBACK (error 14); another channel of the same
REM file, which only read, closes, and the update is still rolled back.
10 KEYED "ct",4,0,-20,OPT="1"
20 OPEN (1)"ct"; OPEN (2)"ct"; WRITE (1,KEY="K001")"kept"
30 SET_JOURNAL BEGIN
40 WRITE (1,KEY="K002")"undone"
50 READ (2,KEY="K001")A$
60 CLOSE (2,ERR=80); PRINT "the reading channel closed"; GOTO 90
80 PRINT "the reading channel: error ",ERR
90 CLOSE (1,ERR=110); PRINT "the writing channel closed inside the transaction"; GOTO 120
110 PRINT "the writing channel: error ",ERR
120 SET_JOURNAL ROLLBACK
130 READ (1,KEY="K002",DOM=150)A$; PRINT "still there: ",A$; GOTO 160
150 PRINT "rolled back"
160 CLOSE (1); OPEN (2)"ct"; PRINT "records: ",FIN(2,"NUMREC"); CLOSE (2)
170 ERASE "ct"
RUN
