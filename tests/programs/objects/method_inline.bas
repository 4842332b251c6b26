REM A program method whose body is ENTER of plain numbers and, on the next
REM line, RETURN of parameters, properties and constants joined by + and -
REM is answered from the arguments without running its lines, while that
REM gives what running them gives.  Every case below runs three times, so
REM that later calls take the short way; each one also runs with a change
REM that sends it the long way, where the result must be the same.
10 GOSUB 1000
20 H=NEW("C"); G=NEW("D"); H'A=1; G'A=20; G'B=300
30 REM parameters, a property, constants, subtraction; a parent's property
40 FOR R=1 TO 3; X=R; PRINT H'SUM(X,2)," ",X," ",H'DIFF(10,R)," ",H'K()," ",G'SUM(R,R)," ",G'PB(R); NEXT R
50 REM mixed scales, a value past the integers, a property holding a
60 REM fraction: the general evaluator decides each
70 FOR R=1 TO 3; PRINT H'SUM(R/2,0.25)," ",H'SUM(900000000000000000,900000000000000000); NEXT R
80 H'A=0.5; FOR R=1 TO 3; PRINT H'SUM(R,1); NEXT R; H'A=1
90 REM a name that is no property is a variable of the method (zero)
100 FOR R=1 TO 3; PRINT H'LOC(R); NEXT R
110 REM a line between ENTER and RETURN, a string, an integer parameter
120 FOR R=1 TO 3; PRINT H'GAP(R)," ",H'S$("a")," ",H'INT(R+0.4); NEXT R
130 REM the caller's precision: a result with more places than it keeps
140 PRECISION 1; FOR R=1 TO 3; PRINT H'SUM(0.25,0.25); NEXT R; PRECISION 2
150 REM a variable passed by reference comes back unchanged
160 Z=5; FOR R=1 TO 3; PRINT H'SUM(Z,R)," ",Z; NEXT R
170 REM TRACE shows the method's lines on every call
180 TRACE
190 FOR R=1 TO 2; PRINT H'SUM(R,1); NEXT R
200 ENDT
210 REM the class defined again with another body: the new one runs
220 E=NEW("E"); E'A=1; FOR R=1 TO 3; PRINT E'SUM(R,2); NEXT R
230 DROP OBJECT E; GOSUB 2000; E=NEW("E"); E'A=1; FOR R=1 TO 3; PRINT E'SUM(R,2); NEXT R
240 END
1000 DEF CLASS "C"
1010 PROPERTY A
1020 FUNCTION SUM(X,Y)
1030 ENTER X,Y
1040 RETURN X+Y+A
1050 FUNCTION END
1060 FUNCTION DIFF(X,Y)
1070 ENTER (X),Y
1080 RETURN X-Y-1+A
1090 FUNCTION END
1100 FUNCTION K()
1110 RETURN 7
1120 FUNCTION END
1130 FUNCTION LOC(X)
1140 ENTER X
1150 RETURN X+NOPROP
1160 FUNCTION END
1170 FUNCTION GAP(X)
1180 ENTER X
1190 REM between
1200 RETURN X+A
1210 FUNCTION END
1220 FUNCTION S$(X$)
1230 ENTER X$
1240 RETURN X$+"b"
1250 FUNCTION END
1260 FUNCTION INT(X%)
1270 ENTER X%
1280 RETURN X%+A
1290 FUNCTION END
1300 END DEF
1310 DEF CLASS "D"
1320 LIKE "C"
1330 PROPERTY B
1340 FUNCTION PB(X)
1350 ENTER X
1360 RETURN B+A+X
1370 FUNCTION END
1380 END DEF
1382 DEF CLASS "E"
1384 PROPERTY A
1386 FUNCTION SUM(X,Y)
1387 ENTER X,Y
1388 RETURN X+Y+A
1389 FUNCTION END
1390 END DEF; RETURN
2000 DEF CLASS "E"
2010 PROPERTY A
2020 FUNCTION SUM(X,Y)
2030 ENTER X,Y
2040 RETURN X-Y-A
2050 FUNCTION END
2060 END DEF
2070 RETURN
SAVE "minline"
RUN
