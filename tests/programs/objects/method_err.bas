REM ERR= closing a method call's argument list: the arguments before it are
REM the call's, errors of the call (no such form, no such method, the
REM method's own) go to its line, and the statement's ERR= or SETERR take
REM whatever else goes wrong once the call has returned.
10 DEF CLASS "ERRC"
20 FUNCTION E(A,B)=A+B
30 FUNCTION E(A)=A*10
40 FUNCTION S$(A$)=A$+"!"
50 FUNCTION P(X)
60 ENTER X
70 IF X<0 THEN Y=1/0
80 RETURN X*2
90 FUNCTION END
100 END DEF
110 H=NEW("ERRC")
120 FOR I=1 TO 3
130 PRINT "e:",H'E(I,ERR=500)," ",H'P(I,ERR=500)," ",H'S$(STR(I),ERR=500)
140 NEXT I
150 PRINT H'S$("x","y",ERR=160); PRINT "not here"
160 PRINT "s$ two:",ERR
170 PRINT H'P(-1,ERR=180); PRINT "not here"
180 PRINT "p raised:",ERR
190 PRINT H'NONE(1,ERR=200); PRINT "not here"
200 PRINT "none:",ERR
210 CALL "merrsub",H'S$("a","b",ERR=220),ERR=230
220 PRINT "call's argument:",ERR; GOTO 240
230 PRINT "statement's own:",ERR
240 SETERR 270
250 X=H'E(5,ERR=500)+1/0
260 PRINT "not here"
270 PRINT "after the call:",ERR,X
280 H'P(3,4,ERR=290); PRINT "not here"
290 PRINT "alone:",ERR
300 END
500 PRINT "wrong line",ERR; END
SAVE "merr"
LIST 130
LIST 210
RUN
