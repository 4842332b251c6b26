REM STK(, LNO(, PGM( and CHG( on the program in memory
10 REM a small program
20 PRINT "stack:",STK(0),"|"
30 PRINT LNO(100),LNO(DONE)
40 PRINT PGM(20)
50 PRINT PGM(45)
60 PRINT "[",PGM(0),"][",PGM(-1),"][",PGM(-2),"][",PGM(-3),"]"
70 PRINT "[",PGM(65000),"]"
80 PRINT CHG(0)
90 DONE: STOP
RUN
PRINT STK(0)
PRINT STK(1)
PRINT STK(-1)
PRINT LNO(NOWHERE)
PRINT PGM(-4)
PRINT PGM(65001)
PRINT PGM(10,1)
PRINT PGM(-1,0)
PRINT PUB(0)
PRINT PUB(30001)
REM CHG( reports the variables assigned since it last looked
A=1; B$="x"; C=3
PRINT CHG("A,B$,C,D"),"|",CHG("A,B$,C"),"|"
A=2; PRINT CHG(READ "C,A"),"|",CHG(READ "A"),"|",CHG("A"),"|",CHG("A"),"|"
PRINT CHG("A,1X")
PRINT CHG("A$$")
PRINT CHG("")
X% =5; %G=1; PRINT CHG("X%,%G,B.C")
