REM CLOSE of a list closes every open channel of it, also when a PRE_CLOSE
REM program run for one of them does I/O of its own; channel 0 ends the
REM list: the channels after it stay open.
10 END
100 PRE_CLOSE:
110 PRINT "PRE_CLOSE of channel ",LFA
120 CLOSE (1)
130 EXIT
SAVE "closer"
NEW
10 SERIAL "f1"; SERIAL "f3"
20 OPEN (1)"f1"; OPEN (3)"f3"
30 CLOSE (0,1,3)
40 X$=FID(1,ERR=50); PRINT "channel 1 still open after channel 0"
50 SDEV (1)PROGRAM "closer"
60 CLOSE (1,3)
70 X$=FID(1,ERR=80); PRINT "channel 1 open"
80 X$=FID(3,ERR=90); PRINT "channel 3 open"; END
90 PRINT "channel 3 closed: error ",ERR; END
RUN
