REM Small integers as a method's arguments, alone or as the start of a
REM longer value, for expression methods and program methods, each call
REM three times so that the later ones take the call site's short way.
10 DEF CLASS "C"
20 PROPERTY A
30 FUNCTION E(X,Y)=X*1000+Y+A
40 FUNCTION P(X,Y)
50 ENTER X,Y
60 Z=X*1000+Y; X=-1; RETURN Z+A
70 FUNCTION END
80 FUNCTION S$(X,Y$)
90 ENTER X,Y$
100 RETURN STR(X)+Y$
110 FUNCTION END
120 FUNCTION N(A1,A2,A3,A4,A5,A6,A7,A8,A9)
130 ENTER A1,A2,A3,A4,A5,A6,A7,A8,A9
140 RETURN A1+A2+A3+A4+A5+A6+A7+A8+A9
150 FUNCTION END
160 FUNCTION O(X)=X+0.5
170 FUNCTION O(X$)=LEN(X$)
180 END DEF
190 H=NEW("C"); H'A=1
200 FOR R=1 TO 3; PRINT H'E(0,65535)," ",H'P(0,65535)," ",H'E(2,R)," ",H'P(2,R); NEXT R
210 REM a small integer that starts a longer value
220 FOR R=1 TO 3; PRINT H'E(2+1,3*2)," ",H'P(2+1,3*2)," ",H'E(2-R,1)," ",H'P(2-R,1); NEXT R
230 REM mixed with a string, nine arguments, an overload by type
240 FOR R=1 TO 3; PRINT H'S$(7,"x")," ",H'N(1,2,3,4,5,6,7,8,9)," ",H'O(2)," ",H'O("ab"); NEXT R
250 REM a small integer where a string is wanted
260 FOR R=1 TO 3; SETERR 265; X$=H'S$(7,8); GOTO 268
265 PRINT "caught:",ERR
268 SETERR 0; NEXT R
270 REM a precision that rounds the sum: the value of the fast path
280 PRECISION 0; FOR R=1 TO 3; PRINT H'E(1,2)," ",H'P(1,2); NEXT R; PRECISION 2
290 REM an error in an argument after a small integer
300 FOR R=1 TO 3; SETERR 305; PRINT H'E(1,1/0); GOTO 308
305 PRINT "caught:",ERR
308 SETERR 0; NEXT R
310 END
SAVE "smallargs"
RUN
DROP OBJECT H
DROP CLASS "C"
DELETE
RUN "smallargs"
