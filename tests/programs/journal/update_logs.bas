REM Update logs: the immediate log lists each changed keyed, EFF or indexed
REM file once; with only the immediate log on no per-process log appears;
REM the end-of-run log names the files changed and still open, and goes
REM when they are closed.
10 INVOKE "mkdir logs"
20 SET_JOURNAL UPDATE "ulog"
30 KEYED "k",4,0,40,OPT="1"; OPEN (1)"k"; WRITE (1,KEY="A")"x"; WRITE (1,KEY="B")"y"
40 INDEXED "ix",10,5; OPEN (2)"ix"; WRITE (2,IND=0)"a"; WRITE (2,IND=1)"b"
50 SERIAL "s"; OPEN LOCK (3)"s"; WRITE (3)"line"; CLOSE (3)
60 PRINT "immediate log:"; INVOKE "sed 's|.*/||' ulog"
70 INVOKE "ls | grep -c '[.]log$' || true"
80 SET_JOURNAL "logs"
90 PRINT "end-of-run log:"; INVOKE "cat logs/*.log | sed 's|.*/||'"
100 CLOSE (1); PRINT "after closing k:"; INVOKE "cat logs/*.log | sed 's|.*/||'"
110 CLOSE (2); INVOKE "ls logs | wc -l"
120 OPEN (1)"k"; REMOVE (1,KEY="A"); PRINT "immediate log after a REMOVE:"; INVOKE "sed 's|.*/||' ulog"
130 SET_JOURNAL ""; INVOKE "ls logs | wc -l"
140 SETERR 145; SET_JOURNAL "ulog"
145 PRINT "a file as the log directory: error ",ERR; SETERR 0
150 SETERR 155; SET_JOURNAL UPDATE "k"
155 PRINT "a keyed file as the immediate log: error ",ERR; SETERR 0
160 SET_JOURNAL UPDATE ""; WRITE (1,KEY="C")"z"; CLOSE (1); OPEN (1)"k"; WRITE (1,KEY="D")"w"
170 PRINT "after UPDATE of an empty name:"; INVOKE "sed 's|.*/||' ulog"
RUN
