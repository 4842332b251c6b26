REM The text of EXECUTE compiles as a program line does: a string left open
REM in it is error 20, typed at the console as on a program line (a line
REM typed at the console itself still has its open string closed).  A
REM numbered line that fails is stored with its text and the error raised.
EXECUTE "PRINT ""abc"
EXECUTE "PRINT ""closed"""
PRINT "typed at the console
10 EXECUTE "PRINT ""abc"
20 PRINT "not reached"
RUN
DELETE
EXECUTE "10 PRINT ""abc"
LIST
1000 EXECUTE "PRINT ""x",ERR=1020
1010 STOP
1020 PRINT "ERR=",ERR
RUN 1000
