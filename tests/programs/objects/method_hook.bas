REM A program method's variables and the object's properties are looked up
REM the same way whether a data set is loaded or not, before and after the
REM last object goes, and on calls that repeat the same call site.
10 DEF CLASS "P"
20 PROPERTY A
30 FUNCTION GET(X)
40 ENTER X
50 Z=X+A; RETURN Z+V
60 FUNCTION END
70 END DEF
80 V=5; SAVE DATA "hookset",V
90 CLEAR; V=1
100 H=NEW("P"); H'A=10
110 FOR R=1 TO 3; PRINT H'GET(R); NEXT R
120 LOAD DATA "hookset"
130 FOR R=1 TO 3; PRINT H'GET(R)," ",V; NEXT R
140 DROP DATA "hookset"
150 FOR R=1 TO 3; PRINT H'GET(R)," ",V; NEXT R
160 DROP OBJECT H
170 LOAD DATA "hookset"
180 H=NEW("P"); H'A=20
190 FOR R=1 TO 3; PRINT H'GET(R); NEXT R
200 DROP OBJECT H; DROP DATA "hookset"
210 H=NEW("P"); H'A=30
220 FOR R=1 TO 3; PRINT H'GET(R); NEXT R
230 REM a data set loaded by the method itself
240 DEF CLASS "Q"
250 FUNCTION LD(X)
260 ENTER X
270 IF X=2 THEN LOAD DATA "hookset"
280 Y=X; RETURN Y+V
290 FUNCTION END
300 END DEF
310 Q=NEW("Q"); FOR R=1 TO 3; PRINT Q'LD(R)," ",V; NEXT R
320 END
SAVE "hookprog"
RUN
DROP OBJECT H
DROP OBJECT Q
DROP CLASS "P"
DROP CLASS "Q"
DELETE
RUN "hookprog"
