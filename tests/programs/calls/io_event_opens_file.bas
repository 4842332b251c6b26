REM A program run in a nested way hands back how it ended: an event
REM program that OPENs and CLOSEs a file of its own on the way and then
REM EXITs normally has handled its event, so the statement goes on.
10 END
200 POST_WRITE: ENTER HOW,K$,N,REC$
210 OPEN LOCK (7)"audit.log"; WRITE (7)"wrote "+REC$; CLOSE (7)
220 EXIT
SAVE "auditor2"
DELETE
10 SERIAL "data2"; SERIAL "audit.log"
20 OPEN LOCK (1)"data2"
30 SDEV (1)PROGRAM "auditor2"
40 WRITE (1,ERR=90)"one"
50 PRINT "the WRITE went on"
60 CLOSE (1)
70 OPEN (2)"audit.log"; READ (2)L$; PRINT L$; CLOSE (2)
80 END
90 PRINT "the event program's normal end was taken for error",ERR
RUN
