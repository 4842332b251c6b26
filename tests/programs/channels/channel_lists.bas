REM A channel's own list (OPEN's IOL=, SDEV IOLIST) keeps its variables by
REM name: a called program (with variables of its own, none shared) reading
REM the channel fills its own variables of those names.  Reads repeated through one list give the same results
REM before and after the list is cached (from the third), also after the
REM channel's list is replaced or the channel reopened with another list.
10 Z$="z"; Y=1
20 READ (1,IND=0)
30 PRINT "callee:",A$,B,Z$,Y
40 EXIT
SAVE "rd"
DELETE
10 SERIAL "f"
20 OPEN LOCK (1)"f"
30 FOR I=1 TO 6; WRITE (1)"r"+STR(I),I*10,"x"+STR(I); NEXT I
40 CLOSE (1)
50 OPEN (1,IOL=100)"f"
60 CALL "rd"
70 PRINT "caller:",A$,B
80 PRINT "the names:",CVS(IOL(1,""),16)
90 FOR I=1 TO 5; READ (1); PRINT A$,B,; NEXT I; PRINT
100 IOLIST A$,B
110 REM another list on the channel: the new one is walked
120 CLOSE (1); OPEN (1,IOL=200)"f"
130 FOR I=1 TO 4; READ (1); PRINT C$,D,E$,; NEXT I; PRINT
140 SDEV (1)IOLIST 100
150 READ (1,IND=0); PRINT "after SDEV:",A$,B
160 READ (1,IND=1); READ (1); READ (1); PRINT "third read after SDEV:",A$,B
200 IOLIST C$,D,E$
RUN
