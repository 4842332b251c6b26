10 REM an ERR= clause inside a function takes the function's own error
20 X=NUM("x",ERR=100)
30 PRINT "not reached"
40 END
100 PRINT "branched on",ERR
110 X=NUM("12.5",ERR=200)
120 PRINT "no error:",X
130 A$=MID("abc",5,1,ERR=300)
140 PRINT "not reached"
150 END
200 PRINT "wrong branch"
210 END
300 PRINT "MID took its ERR=",ERR
310 Y=NUM("zz")
320 PRINT "not reached"
RUN
PRINT "the console goes on"
