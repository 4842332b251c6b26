REM A statement kept at the end of its line, reached in one run by each way
REM the statement loop has of its own: from its line's start, by NEXT back
REM into a FOR's line, by a cached GOTO, after IF's THEN part on its line,
REM by the step of the line before, by a step kept through a GOTO line; its
REM step to the next line is taken each time (traced for a short run,
REM counted for a long one).
DELETE
10 N=0; T=0; K=0
20 FOR I=1 TO 3; T=T+I
30 N=N+1
35 IF N=5 THEN GOTO 30
40 NEXT I
50 IF N>0 THEN K=K+1
60 IF K>=L THEN GOTO 90
70 N=N+2
80 GOTO 20
90 PRINT "N=",N," T=",T," K=",K
L=2
TRACE
RUN
ENDT
L=500
RUN
