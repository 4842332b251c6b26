REM A global multi-line function (a name that begins with "%") outlives the
REM program that defines it: its body stays in the saved program file,
REM which every call enters with the caller's variables.
10 DEF FN%TAX(X)
20 LOCAL R
30 R=X*.2
40 RETURN R+BASE
50 FNEND
60 DEF FN%TAG$(A$)
70 RETURN "<"+A$+">"
80 FNEND
90 DEF FN%FACT(N)
100 IF N<=1 THEN RETURN 1
110 RETURN N*FN%FACT(N-1)
120 FNEND
130 DEF FN%BAD(X)
140 RETURN 1/X
150 FNEND
160 PRINT "defined"
SAVE "gdefs"
RUN
REM Another program, and the console, call them.
DELETE
BASE=1
PRINT FN%TAX(10),FN%TAG$("x"),FN%FACT(10)
10 SETERR 100
20 PRINT FN%TAX(100),FN%TAG$("abc")
30 PRINT FN%BAD(0)
40 PRINT "after",R
50 END
100 PRINT "error",ERR," at line",TCB(5)
110 GOTO 40
RUN
REM The program file gone, a call is an error at the calling line.
ERASE "gdefs"
PRINT FN%FACT(3)
REM Without a saved program, or without FNEND, the definition fails.
DELETE
10 DEF FN%NOSAVE(X)
20 RETURN X
30 FNEND
RUN
DELETE
10 DEF FN%NOEND(X)
20 RETURN X
SAVE "noend"
RUN
