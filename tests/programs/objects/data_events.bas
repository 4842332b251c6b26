REM DataAvailable: with ENABLE EVENT DATA (0) the console raises the event
REM once data waits (here: the rest of this session), then not again until
REM the console is read; DISABLE stops it.  A TCP server channel raises it
REM for a client that is waiting to be announced and for bytes a client
REM sent.  Other channels have no such event (13, as for closed ones).
10 DEF CLASS "WATCH"
20 PROPERTY COUNT,LAST
30 FUNCTION SEEN(CH) FOR EVENT "DataAvailable"
40 ENTER CH; COUNT=COUNT+1; LAST=CH
50 RETURN 0
60 FUNCTION END
70 END DEF
100 DEF OBJECT EVH,"*system"; W=NEW("WATCH"); ON EVENT FROM EVH PROCESS W
110 ENABLE EVENT DATA (0)
120 FOR I=1 TO 50; NEXT I
130 PRINT "before the read:",W'COUNT,W'LAST
140 INPUT X$; WAIT .05
150 FOR I=1 TO 50; NEXT I
160 PRINT "after one read:",W'COUNT,X$
170 DISABLE EVENT DATA (0); INPUT Y$; WAIT .05
180 FOR I=1 TO 50; NEXT I
190 PRINT "disabled:",W'COUNT,Y$
200 OPEN (1)"[tcp];0"; K$=KEF(1); P$=K$(POS(";"=K$)+1); P$=P$(1,POS(";"=P$)-1)
210 ENABLE EVENT DATA (1); W'COUNT=0
220 WAIT .05; FOR I=1 TO 50; NEXT I; PRINT "no client:",W'COUNT
230 OPEN (2)"[tcp]127.0.0.1;"+P$; WAIT .1; FOR I=1 TO 50; NEXT I
240 PRINT "new client:",W'COUNT,W'LAST
250 READ (1,TIM=5)A$; WAIT .05; FOR I=1 TO 50; NEXT I; PRINT "announced:",LEN(A$),W'COUNT
260 WRITE (2)"hello"; WAIT .1; FOR I=1 TO 50; NEXT I; PRINT "bytes:",W'COUNT
270 READ (1,TIM=5,SIZ=5)A$; PRINT A$
280 CLOSE (2); CLOSE (1)
285 ERASE "no_such_evfile",ERR=*NEXT
290 ENABLE EVENT DATA (7)
300 END
SAVE "evdata"
LIST 110
RUN
first line
second line
PRINT ERR
OPEN (7)"evdata"
ENABLE EVENT DATA (7)
ENABLE EVENT DATA (7),ERR=300
CLOSE (7)
