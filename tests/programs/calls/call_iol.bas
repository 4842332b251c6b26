REM CALL passes the variables of an IOLIST named by IOL= among its arguments
10 ENTER X,Y$,Z
20 PRINT "callee",X,Y$,Z
30 X=X+1; Y$=Y$+"!"
40 EXIT
SAVE "cal"
DELETE
10 A=5; B$="bee"; C=9
20 CALL "cal",IOL=100,C
30 PRINT "after",A,B$
40 CALL "cal",IOL=LBL,C
50 PRINT "label",A,B$
60 CALL "cal",IOL=200
65 CALL "cal",IOL="nosuch",C,ERR=80
70 STOP
80 PRINT "err",ERR
90 STOP
100 IOLIST A,B$
200 IOLIST IOL=100,C
300 LBL: IOLIST A,B$
LIST
RUN
ERASE "cal"
