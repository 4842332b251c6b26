10 REM Bad answers give their error and leave the variables as they were
20 LET X=7,A$="old"
30 INPUT (0,ERR=200)"Number: ",X
40 INPUT (0,SIZ=5,ERR=300)"Five at most: ",A$
50 PRINT "X=",X," A$=",A$
60 INPUT (0,SIZ=5)"Again: ",A$
70 PRINT "A$=",A$
80 INPUT (0,END=400)"Last: ",B$
90 END
200 PRINT "error",ERR," X is still",X; GOTO 40
300 PRINT "error",ERR," A$ is still ",A$; GOTO 50
400 PRINT "end of input: error",ERR; END
RUN
abc
too long an answer
four
