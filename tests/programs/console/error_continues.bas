A$=1
PRINT "still here"
PRINT NOSUCH(
PRINT "and here"
25
PRINT "done"
