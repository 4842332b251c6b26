REM LOCK and UNLOCK of EFF keyed channels: records written while the
REM channel is locked are there after UNLOCK and after CLOSE; a second channel of the
REM same file in this process makes LOCK busy (error 0, no retries); an
REM extracted record's lock is given up by LOCK; the lock events of a
REM channel's I/O program run around LOCK and UNLOCK.
10 END
100 PRE_LOCK: PRINT "PRE_LOCK"; EXIT
110 POST_LOCK: PRINT "POST_LOCK"; EXIT
120 PRE_UNLOCK: PRINT "PRE_UNLOCK"; EXIT
130 POST_UNLOCK: PRINT "POST_UNLOCK"; EXIT
SAVE "lockev"
DELETE
10 KEYED "cust","[1:1:4]",0,40,OPT="1"
20 OPEN (1)"cust"
30 WRITE (1)"A001","first"
40 LOCK (1); LOCK (1)
50 FOR I=2 TO 300; WRITE (1)"A"+STR(I:"000"),"name "+STR(I); NEXT I
60 READ (1,KEY="A150")K$,N$; PRINT "while locked: ",K$," ",N$
70 UNLOCK (1)
80 UNLOCK (1,ERR=90); PRINT "not here"
90 PRINT "UNLOCK twice: error",ERR
100 OPEN (2)"cust"
110 LOCK (1,ERR=120); PRINT "not here"
120 PRINT "LOCK with a second channel open: error",ERR
130 CLOSE (2)
140 EXTRACT (1,KEY="A002")K$,N$
150 LOCK (1); PRINT "LOCK after EXTRACT: locked"
160 WRITE (1)"A002","changed"
170 UNLOCK (1); CLOSE (1)
180 OPEN (1)"cust"
190 READ (1,KEY="A002")K$,N$; PRINT "after close: ",K$," ",N$
200 READ (1,KEY="A300")K$,N$; PRINT "last: ",K$," ",N$
210 SDEV (1)PROGRAM "lockev"
220 LOCK (1); WRITE (1)"B001","x"; UNLOCK (1)
230 READ (1,KEY="B001")K$,N$; PRINT "event-program channel: ",K$," ",N$
240 CLOSE (1)
RUN
