REM TRACE lists each program line as execution enters it
10 A=1
20 FOR I=1 TO 2; A=A*2
30 NEXT I
40 TRACE PRINT "A is now "+STR(A)
50 ENDT
60 PRINT "not traced"
TRACE
RUN
REM the fields of parameter TT: program name (2), call depth (8), no line feed (4)
SET_PARAM 'TT'=10
TRACE
RUN
SET_PARAM 'TT'=0
REM to a file; closing the trace channel ends tracing
DELETE
INVOKE "rm -f t_trace.log"
SERIAL "t_trace.log"
10 OPEN LOCK (3)"t_trace.log"; TRACE (3)
20 PRINT "traced to the log"
30 CLOSE (3)
40 PRINT "tracing ended with its channel"
50 OPEN (3)"t_trace.log"
60 READ (3,END=80)L$; PRINT "log:",L$; GOTO 60
80 CLOSE (3)
RUN
REM TRACE PRINT without tracing writes nothing; bad forms
TRACE PRINT "nothing"
TRACE (9)
TRACE (9,ERR=100)
TRACE CLOSE
TRACE START
TRACE 5
END
INVOKE "rm -f t_trace.log"
