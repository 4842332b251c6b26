REM The last-error record names the running object and method when SETERR
REM inside a method takes the error; outside any method both are empty.
10 GOSUB 1000
20 H=NEW("C")
30 X=H'BAD(1); PRINT "back", X, H
40 SETERR 60
50 Y=1/0
60 PRINT "outside", ERR, ERR("Obj"), "[", ERR("Method"), "]"
70 END
1000 DEF CLASS "C"
1010 PROPERTY A
1060 FUNCTION BAD(X)
1070 ENTER X
1075 SETERR 1085
1080 RETURN X/0
1085 PRINT "in method", ERR, ERR("Obj"), "[", ERR("Method"), "]"; RETURN 0
1090 FUNCTION END
1100 END DEF
1110 RETURN
SAVE "objerr"
RUN
