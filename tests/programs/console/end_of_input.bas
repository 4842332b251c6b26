10 PRINT "stored"
PRINT "last line"
