REM ERR= takes the errors raised while CALL, PERFORM and SAVE evaluate their
REM operands: a name too long, a number for a name, a version out of range,
REM a description too long
10 CALL DIM(8193,"a"),ERR=20
15 PRINT "not reached"
20 PRINT "call name:",ERR
30 PERFORM DIM(8193,"a"),ERR=40
35 PRINT "not reached"
40 PRINT "perform name:",ERR
50 CALL 5,ERR=60
55 PRINT "not reached"
60 PRINT "numeric name:",ERR
70 SAVE "oez",IND=70000,ERR=80
75 PRINT "not reached"
80 PRINT "save version:",ERR
90 SAVE "oez",DSC=DIM(81,"a"),ERR=100
95 PRINT "not reached"
100 PRINT "save description:",ERR
110 N$="oe_missing"; CALL N$,ERR=120
115 PRINT "not reached"
120 PRINT "missing program:",ERR
130 CALL 5
RUN
