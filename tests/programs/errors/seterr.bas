10 SETERR 1000
20 PRINT "before"
30 X=10/D
40 PRINT "after the handler retried", X
50 SETERR 65002
60 Y=1/0; PRINT "same line goes on"
70 PRINT "skipped, Y is", Y
80 SETERR OFF
120 SETERR 2000
130 ESCAPE 200
140 PRINT "not reached"
1000 PRINT "handler: error", ERR; D=2; RETRY
2000 PRINT "second handler", ERR; Q=1/0
2010 PRINT "not reached"
RUN
PRINT "err after stop", ERR
RETRY
END
3000 RETRY
RUN 3000
ESCAPE 300
ESCAPE 41
