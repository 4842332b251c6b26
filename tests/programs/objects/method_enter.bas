REM A program method's ENTER binds its arguments on every call as on the
REM first: each case runs three times, so that later calls take the
REM variables the first one left.  References flow back, "(V)" items and
REM values do not, a string lent by reference comes home, integer variables
REM stay integer, one variable passed twice, counts and types that do not
REM fit are errors, and a failed call leaves the next one sound.
10 GOSUB 1000
20 H=NEW("E")
30 REM numbers by reference and by value; literal values
40 FOR R=1 TO 3; A=R; B=10*R; PRINT H'BUMP(A,B),A,B; NEXT R
50 FOR R=1 TO 3; PRINT H'BUMP(R+0,7),R; NEXT R
60 REM strings by reference (lent and given back) and by value
70 FOR R=1 TO 3; S$="s"+STR(R); T$="t"; PRINT H'CAT$(S$,T$),S$,T$; NEXT R
80 FOR R=1 TO 3; S$="k"; PRINT H'KEEP$(S$),S$; NEXT R
90 FOR R=1 TO 3; PRINT H'CAT$("v"+STR(R),"w"); NEXT R
100 REM an integer variable by reference stays integer; a caller's number
110 REM for an integer parameter
120 FOR R=1 TO 3; I%=R; PRINT H'HALF(I%),I%; NEXT R
130 FOR R=1 TO 3; Z=R+0.5; PRINT H'TRIPLE(Z),Z; NEXT R
140 REM one variable passed twice: both items are bound to it
150 FOR R=1 TO 3; A=R; PRINT H'TWO(A,A),A; NEXT R
160 REM counts and types that do not fit, each followed by a good call
170 FOR R=1 TO 3
180 SETERR 190; PRINT H'BUMP(1); GOTO 200
190 PRINT "few:",ERR; SETERR 0
200 SETERR 210; PRINT H'BUMP(1,2,3); GOTO 220
210 PRINT "many:",ERR; SETERR 0
220 SETERR 230; PRINT H'BUMP("x",2); GOTO 240
230 PRINT "type:",ERR; SETERR 0
240 SETERR 250; PRINT H'CAT$(1,"b"); GOTO 260
250 PRINT "type$:",ERR; SETERR 0
260 A=R; B=1; PRINT "good:",H'BUMP(A,B),A,B
270 NEXT R
280 REM a whole array and an element
290 DIM Q[2]; FOR R=1 TO 3; Q[1]=R; PRINT H'ARR(Q[ALL]),Q[1],H'BUMP(Q[1],1),Q[1]; NEXT R
300 REM the method's other variables start empty at every call
310 FOR R=1 TO 3; A=R; B=R; PRINT H'LOCALS(A,B); NEXT R
320 DROP OBJECT H
330 REM an ENTER that names a property binds the property; two methods of
332 REM one program with the same ENTER names; two objects of the class
334 GOSUB 2000; H=NEW("F"); G=NEW("F")
336 FOR R=1 TO 3; PRINT H'SETP(R),H'P,H'ADD(R,1),H'MUL(R,2),H'CAT$("a","b"),G'ADD(R,R),G'P; NEXT R
338 DROP OBJECT H; DROP OBJECT G
340 END
1000 DEF CLASS "E"
1010 FUNCTION BUMP(X,Y)
1020 ENTER X,(Y)
1030 X=X+1; Y=Y+1; RETURN X*100+Y
1040 FUNCTION END
1050 FUNCTION CAT$(X$,Y$)
1060 ENTER X$,Y$
1070 X$=X$+"!"; RETURN X$+Y$
1080 FUNCTION END
1090 FUNCTION KEEP$(X$)
1100 ENTER X$
1110 RETURN X$+X$
1120 FUNCTION END
1130 FUNCTION HALF(X)
1140 ENTER X
1150 X=X/2+0.75; RETURN X
1160 FUNCTION END
1170 FUNCTION TRIPLE(X)
1180 ENTER X%
1190 X%=X%*3; RETURN X%
1200 FUNCTION END
1210 FUNCTION TWO(X,Y)
1220 ENTER X,Y
1230 X=X+1; Y=Y+10; RETURN X+Y
1240 FUNCTION END
1250 FUNCTION ARR(X[ALL])
1260 ENTER X[ALL]
1270 X[1]=X[1]*2; RETURN X[1]
1280 FUNCTION END
1290 FUNCTION LOCALS(X,Y)
1300 ENTER X,Y
1310 N=N+1; W$=W$+"w"; RETURN X+Y+N+LEN(W$)
1320 FUNCTION END
1330 END DEF
1340 RETURN
2000 DEF CLASS "F"
2010 PROPERTY P
2020 FUNCTION SETP(P)
2030 ENTER P
2040 RETURN P*2
2050 FUNCTION END
2060 FUNCTION ADD(X,Y)
2070 ENTER X,Y
2080 RETURN X+Y+P
2090 FUNCTION END
2100 FUNCTION MUL(X,Y)
2110 ENTER X,Y
2120 RETURN X*Y+P
2130 FUNCTION END
2140 FUNCTION CAT$(X$,Y$)
2150 ENTER X$,Y$
2160 RETURN X$+Y$+STR(P)
2170 FUNCTION END
2180 END DEF
2190 RETURN
SAVE "enter"
RUN
