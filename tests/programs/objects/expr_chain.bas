REM Expression methods whose body is a sum of parameters, properties and
REM constants, called with numbers at one site again and again: the values
REM the evaluator gives (scales, rounding, overflow), and every case the
REM short way must leave to the general one.
10 GOSUB 1000
20 H=NEW("S"); H'A=100; H'B=0.5
30 FOR I=1 TO 3; PRINT H'SUM(I,2),H'DIF(I,2),H'MIX(I,0.25),H'ONE(I),H'K(); NEXT I
40 REM another object, a handle reused after DROP, a property dropped
50 G=NEW("S"); G'A=7; FOR I=1 TO 4; IF MOD(I,2) THEN X=H ELSE X=G
60 PRINT X'SUM(I,1); NEXT I
70 FOR R=1 TO 3; O=NEW("S"); IF R=2 THEN O'A=40
80 PRINT "reused:",O'SUM(R,0); DROP OBJECT O; NEXT R
90 FOR I=1 TO 3; PRINT "dropped:",H'SUM(I,0); IF I=2 THEN DROP PROPERTY A,H
100 NEXT I
110 REM precision of the class and of the object, and of the caller
120 P=NEW("PR"); P'A=1; FOR I=1 TO 2; PRINT "class precision:",P'SUM(0.26,I); NEXT I
130 H'A=1; Y=H'OWN(); FOR I=1 TO 2; PRINT "own precision:",H'SUM(0.26,I); NEXT I
140 PRECISION 1; FOR I=1 TO 2; PRINT "precision 1:",G'SUM(0.26,0.01); NEXT I; PRECISION 9
150 REM scales that differ, and a sum beyond the mantissa
160 FOR I=1 TO 2; PRINT G'SUM(1.125,I/4); NEXT I
170 SETERR 190; FOR I=1 TO 2; PRINT G'SUM(9E17,9E17); NEXT I
180 PRINT "no overflow"
190 SETERR 0; PRINT "overflow:",ERR
200 REM names that are no property, a string parameter, a long chain
210 Z=1000; FOR I=1 TO 2; PRINT "global:",H'GLO(I); NEXT I
220 FOR I=1 TO 2; PRINT H'CAT$("x",I),H'LONG(I); NEXT I
230 REM the wrong count, and a read-only variable by reference
240 SETERR 260; PRINT H'SUM(1)
250 PRINT "no error"
260 PRINT "count:",ERR; SETERR 0
262 REM a computed property, a qualifier and nine arguments: lists of numbers
264 H'W=5; FOR I=1 TO 2; H'W=H'W+I; PRINT "computed:",H'V,H'SUM(FROM "S",I,1),H'NINE(1,2,3,4,5,6,7,8,I); NEXT I
266 SETERR 268; FOR I=1 TO 2; PRINT H'SUM(FROM "S",9E17,9E17+I); NEXT I
268 SETERR 0; PRINT "list overflow:",ERR
270 END
1000 DEF CLASS "S"
1010 PROPERTY A,B,W,V=W+1
1015 FUNCTION NINE(A1,A2,A3,A4,A5,A6,A7,A8,A9)=A1+A2+A3+A4+A5+A6+A7+A8+A9+A
1020 FUNCTION SUM(X,Y)=X+Y+A
1030 FUNCTION DIF(X,Y)=X-Y-A-1
1040 FUNCTION MIX(X,Y)=B+X+Y+1.5
1050 FUNCTION ONE(X)=X
1060 FUNCTION K()=42
1070 FUNCTION GLO(X)=X+Z
1080 FUNCTION CAT$(X$,N)=X$+STR(N)
1090 FUNCTION LONG(X)=X+X+X+X+X+X+X+X+X+X+X+X+X+X+X+X+X+X+X+X
1100 FUNCTION OWN()
1110 PRECISION 1 FOR OBJECT
1120 RETURN 0
1130 FUNCTION END
1140 END DEF
1150 DEF CLASS "PR"
1160 PRECISION 1
1170 PROPERTY A
1180 FUNCTION SUM(X,Y)=X+Y+A
1190 END DEF
1200 RETURN
SAVE "exprchain"
RUN
