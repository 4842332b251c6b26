10 PRINT "first"
20 PRINT (
30 PRINT "third"
RUN
20 PRINT "fixed"
RUN
