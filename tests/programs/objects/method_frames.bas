REM Program methods run in a frame made from what their first call learnt
REM (entry, ENTER's variables).  Each case below changes what that rests on
REM between calls and the next call must see the change: locals start
REM empty, the class defined anew, its file saved anew and reloaded, a
REM child whose property has the name of the parent's ENTER variable, a
REM run-time property of that name, an error with RETRY, a CALLed program
REM calling back into the same object, recursion.
10 GOSUB 1000
20 H=NEW("M"); H'A=100
30 REM locals start empty at every call; ENTER's variables take each argument
40 FOR I=1 TO 3; PRINT H'ACC(I,2),H'ACC$("x"+STR(I)); NEXT I
50 REM a string argument for a numeric parameter, then a good call again
60 SETERR 70; PRINT H'ACC("a",1)
70 PRINT "mismatch:",ERR; SETERR 0; PRINT H'ACC(5,5)
72 REM two objects of the class in turn: each method call sees its own A
74 N=NEW("M"); N'A=5; FOR I=1 TO 2; PRINT H'ACC(1,1),N'ACC(1,1),H'ACC(1,1); NEXT I
76 DROP PROPERTY A,N; PRINT "dropped:",N'ACC(1,1),N'ACC(1,1); N'A=9; PRINT N'ACC(1,1); DROP OBJECT N
80 REM a child whose property X is the parent's ENTER variable X
90 K=NEW("KID"); K'X=7; FOR I=1 TO 2; PRINT H'TWICE(I),K'TWICE(I),K'X; NEXT I
100 REM a run-time property X on one object of the class
110 G=NEW("M"); PRINT G'TWICE(3); PRINT G'ADDX(); PRINT G'TWICE(4),G'GETX(),H'TWICE(5),H'GETX()
120 REM an error inside the method caught there and the statement retried
130 FOR I=1 TO 2; PRINT "retry:",H'SAFE(0),H'SAFE(4); NEXT I
140 REM an error the method does not catch reaches the caller; then again
150 FOR I=1 TO 2; SETERR 160; PRINT H'DIVX(0); GOTO 170
160 PRINT "caught:",ERR,ERL; SETERR 0
170 PRINT H'ACC(I,I); NEXT I
180 REM a method that CALLs a program that calls a method of the same object
190 FOR I=1 TO 2; PRINT "back:",H'OUTER(I+0),I; NEXT I
200 REM deep recursion through the object's own methods
210 PRINT "deep:",H'DOWN(900); PRINT "again:",H'DOWN(3)
212 SETERR 214; PRINT H'DOWN(100000)
214 PRINT "too deep:",ERR; SETERR 0; PRINT "after:",H'DOWN(4),H'ACC(2,3)
220 REM the class defined anew: its newer method answers
230 DROP OBJECT H; DROP OBJECT K; DROP OBJECT G; DROP CLASS "KID"
240 GOSUB 2000; H=NEW("M"); H'A=1; FOR I=1 TO 2; PRINT "new:",H'ACC(I,2); NEXT I
250 DROP OBJECT H; DROP CLASS "M"
260 REM a class file saved anew between two loads of it
270 H=NEW("CF"); FOR I=1 TO 2; PRINT "file:",H'F(I); NEXT I
280 END
1000 DEF CLASS "M"
1010 PROPERTY A
1020 FUNCTION ACC(X,Y)
1030 ENTER X,Y
1040 T=T+X*Y; U$=U$+"u"; RETURN T+A+LEN(U$)
1050 FUNCTION END
1060 FUNCTION ACC$(X$)
1070 ENTER X$
1080 T$=T$+X$; RETURN T$
1090 FUNCTION END
1100 FUNCTION TWICE(X)
1110 ENTER X
1120 RETURN X*2
1130 FUNCTION END
1140 FUNCTION ADDX()
1150 STATIC X=50
1160 RETURN X
1170 FUNCTION END
1172 FUNCTION GETX()
1174 RETURN X
1176 FUNCTION END
1180 FUNCTION SAFE(X)
1190 ENTER X
1200 SETERR 1230
1210 R=10/X
1220 RETURN R
1230 X=X+1; RETRY
1240 FUNCTION END
1250 FUNCTION OUTER(X)
1260 ENTER X
1270 CALL "BACK",_OBJ+0,X,Y
1280 RETURN X*1000+Y
1290 FUNCTION END
1300 FUNCTION INNER(X)
1310 ENTER X
1320 RETURN X+A
1330 FUNCTION END
1340 FUNCTION DOWN(X)
1350 ENTER X
1360 IF X=0 THEN RETURN 0
1370 RETURN X+_OBJ'DOWN(X-1)
1380 FUNCTION END
1382 FUNCTION DIVX(X)
1384 ENTER X
1386 RETURN 1/X
1388 FUNCTION END
1390 END DEF
1400 DEF CLASS "KID"
1405 LIKE "M"
1410 PROPERTY X
1420 END DEF
1430 RETURN
2000 DEF CLASS "M"
2010 PROPERTY A
2020 FUNCTION ACC(X,Y)
2030 ENTER X,Y
2040 RETURN -X*Y-A
2050 FUNCTION END
2060 END DEF
2070 RETURN
SAVE "frames"
DELETE
10 ENTER H,X,Y
20 X=X+1; Y=H'INNER(X*10)
30 EXIT
SAVE "BACK"
DELETE
10 DEF CLASS "CF"
20 FUNCTION F(X)
30 ENTER X
40 RETURN X+1
50 FUNCTION END
60 END DEF
SAVE "CF.orc"
LOAD "frames"
RUN
DROP OBJECT H
DROP CLASS "CF"
DELETE
10 DEF CLASS "CF"
20 FUNCTION F(X)
30 ENTER X
40 RETURN X+2000
50 FUNCTION END
60 END DEF
SAVE "CF.orc"
LOAD "frames"
RUN 270
DROP OBJECT H
H=NEW("CF")
PRINT H'F(1),H'F(2)
DROP OBJECT H
DELETE
10 DEF CLASS "CF"
20 FUNCTION F(X)
30 ENTER X
40 RETURN X+3000
50 FUNCTION END
60 END DEF
SAVE "CF.orc"
H=NEW("CF")
PRINT H'F(1),H'F(2)
DROP OBJECT H
DROP CLASS "CF"
H=NEW("CF")
PRINT H'F(1),H'F(2)
