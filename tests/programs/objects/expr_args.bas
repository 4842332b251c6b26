REM Arguments of expression methods at a call site used again and again:
REM numbers are read straight from the call, anything else (a string, an
REM array, a read-only variable, too many arguments, a qualifier) takes the
REM general list; overloads, counts and errors stay as they were.
10 DEF CLASS "E"
20 PROPERTY A
30 FUNCTION SUM(X,Y)=X+Y+A
40 FUNCTION SUM(X$,Y)=LEN(X$)*1000+Y
50 FUNCTION MIX$(X,Y$)=STR(X)+Y$
60 FUNCTION NINE(A1,A2,A3,A4,A5,A6,A7,A8,A9)=A1+A2+A3+A4+A5+A6+A7+A8+A9+A
70 FUNCTION ANY$(*)="any"
80 FUNCTION TOT(N[ALL])=N[1]+N[2]
90 FUNCTION ME()
100 RETURN _OBJ'SUM(_OBJ,1)
110 FUNCTION END
120 END DEF
130 H=NEW("E"); H'A=100; DIM N[2]; N[1]=5; N[2]=6
140 FOR I=1 TO 3; PRINT H'SUM(I,2*I),H'SUM("s",I),H'MIX$(I,"m"),H'NINE(1,2,3,4,5,6,7,8,I); NEXT I
150 FOR I=1 TO 2; PRINT H'SUM(I,H'SUM(I,1)),H'ANY$(I),H'ANY$(); NEXT I
155 SETERR 157; PRINT H'TOT(N[ALL])
157 PRINT "array:",ERR; SETERR 0
160 REM the same site: numbers, then a string, then numbers again
170 FOR I=1 TO 4; IF MOD(I,2) THEN X=I ELSE X$="t"+STR(I)
180 IF MOD(I,2) THEN PRINT H'SUM(X,I) ELSE PRINT H'SUM(X$,I)
190 NEXT I
200 REM wrong counts and kinds at a site that took numbers before
210 FOR I=1 TO 3; SETERR 230; ON I-1 GOTO 215,220,225
215 PRINT H'SUM(I,1); GOTO 240
220 PRINT H'SUM(I); GOTO 240
225 PRINT H'SUM(I,1,2); GOTO 240
230 PRINT "error:",ERR
240 SETERR 0; NEXT I
250 SETERR 270; PRINT H'ME()
260 GOTO 280
270 PRINT "read-only:",ERR; SETERR 0
280 REM a qualifier, and a by-reference number that the method cannot change
290 Z=7; FOR I=1 TO 2; PRINT H'SUM(FROM "E", Z,I),H'SUM(Z,I),Z; NEXT I
300 END
SAVE "exprargs"
RUN
