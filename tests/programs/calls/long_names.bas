REM A program name is at most 511 bytes: a longer one is refused (error
REM 10), never cut short to the name of another program ("lnx" before
REM "lnxsub").  Blanks past the limit are dropped as trailing blanks are.
DELETE
10 PRINT "lnx ran"
20 EXIT
SAVE "lnx"
DELETE
10 ENTER A
20 PRINT "lnxsub ran, A=",A
30 EXIT
SAVE "lnxsub"
DELETE
10 FOR N=252 TO 254; P$=DIM(N*2,"./")+"lnxsub"
20 PRINT "length",LEN(P$); CALL P$,N,ERR=100
30 NEXT N
40 CALL "lnxsub"+DIM(600),1
50 P$=DIM(254*2,"./")+"lnxsub"; PERFORM P$,ERR=110
60 STOP
100 PRINT "CALL: error",ERR; GOTO 30
110 PRINT "PERFORM: error",ERR
RUN
LOAD DIM(254*2,"./")+"lnxsub"
RUN DIM(254*2,"./")+"lnxsub"
