REM LIST to a channel open on a program file is error 17; the program stays whole
10 PRINT "still whole"
20 END
SAVE "t_p1c"
DELETE
10 OPEN (1)"t_p1c"
20 LIST (1,ERR=40)
30 PRINT "not reached"
40 PRINT "LIST to a program file: error",ERR
50 CLOSE (1)
60 OPEN LOCK (1)"t_p1c"
70 LIST (1,ERR=90)
80 PRINT "not reached"
90 PRINT "under OPEN LOCK: error",ERR
100 CLOSE (1)
110 END
RUN
LOAD "t_p1c"
LIST
RUN
