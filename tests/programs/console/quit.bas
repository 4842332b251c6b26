PRINT "before"
QUIT
PRINT "never"
