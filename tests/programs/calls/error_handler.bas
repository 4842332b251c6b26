REM The error-handler program (ERRH or SETERR "name") gets the errors that no
REM ERR= or SETERR line takes.  Its EXIT runs the failing statement again;
REM when that fails once more, the error goes the usual way.  EXIT n hands
REM error n to the statement instead.
10 ENTER
20 PRINT "handler: error",ERR
30 IF ERR=40 THEN D=2
40 IF ERR=11 THEN EXIT 42
50 EXIT
SAVE "handler"
DELETE
10 ERRH "handler"
20 D=0
30 X=10/D
40 PRINT "mended: X=",X
50 ERRH READ H$
60 PRINT "the handler is ",H$
70 READ (99,ERR=100)Y
80 STOP
100 PRINT "ERR= comes first:",ERR
110 ESCAPE 11
RUN
DELETE
10 SETERR "handler"
20 D=0; E=10/D; PRINT "E=",E
RUN
REM A handler that cannot be started makes the error 54.
ERRH "no_such_handler"
DELETE
10 X=1/0
RUN
ERRH ""
RUN
