REM CLOSE of a list with ERR=: a channel that is not open takes the branch
REM with error 14 wherever it stands in the list; the channels before it
REM are closed, those after it stay open.
10 SERIAL "c1"; SERIAL "c3"
20 OPEN (1)"c1"; OPEN (3)"c3"
30 CLOSE (1,5,3,ERR=50)
40 PRINT "no error?"
50 PRINT "error ",ERR
60 X$=FID(1,ERR=80); PRINT "channel 1 open"; GOTO 90
80 PRINT "channel 1 closed"
90 X$=FID(3,ERR=100); PRINT "channel 3 open"; GOTO 110
100 PRINT "channel 3 closed"
110 CLOSE (7,3,ERR=130)
120 PRINT "no error?"
130 PRINT "first in the list: error ",ERR
140 X$=FID(3,ERR=150); PRINT "channel 3 open"; GOTO 160
150 PRINT "channel 3 closed"
160 CLOSE (3)
170 ERASE "c1","c3"
RUN
