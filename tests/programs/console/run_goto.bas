10 PRINT "one"
20 GOTO 50
30 PRINT "skipped"
40 PRINT "skipped too"
50 PRINT "five"; GOTO 70
60 PRINT "skipped again"
70 END
80 PRINT "after end"
RUN
RUN 30
