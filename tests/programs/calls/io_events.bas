REM A channel's I/O program (SDEV ... PROGRAM) runs for the events of its
REM statements, entered at the event's label with the statement's details
REM as arguments: a PRE_READ answering -2 supplies the record itself;
REM POST_WRITE failing with 11 takes the WRITE's DOM=; events without a
REM label are not tried again, and a CLOSE whose program has no PRE_CLOSE
REM label goes on.
10 END
100 PRE_READ: ENTER HOW,K$,N,REC$,OPTS
110 PRINT "PRE_READ: positioning",HOW,"index",N,"options",OPTS
120 IF HOW<>2 THEN EXIT
130 REC$="record made for index "+STR(N); EXIT -2
200 POST_WRITE: ENTER HOW,K$,N,REC$
210 PRINT "POST_WRITE of ",REC$(1,LEN(REC$)-1),", ",LEN(REC$)," bytes"
220 IF POS("bad"=REC$)=1 THEN EXIT 11
230 EXIT
SAVE "auditor"
DELETE
10 SERIAL "data"
20 OPEN LOCK (1)"data"
30 SDEV (1)PROGRAM "auditor"
40 WRITE (1)"good"
50 WRITE (1,DOM=70)"bad"
60 PRINT "not here"
70 PRINT "DOM= took the event's error",ERR
80 CLOSE (1)
90 OPEN (1)"data"; SDEV (1)PROGRAM "auditor"
100 READ (1)A$; PRINT "read",A$
110 READ (1,IND=0,END=130)B$; PRINT "read",B$
120 END
130 PRINT "end of file"
RUN
