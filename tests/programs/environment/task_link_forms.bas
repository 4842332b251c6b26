REM The process debug link's status form TSK(/:) takes ",ERR=line" too, and
REM lists back as it compiles.  Without a link the forms are error 14.
10 X$=TSK(/:,ERR=20); PRINT "no error"; END
20 PRINT "status:",ERR
30 Y$=TSK(/STEP,ERR=40); END
40 PRINT "step:",ERR
RUN
RUN 30
LIST
