REM Method modifiers: HIDE leaves a method out of the name list (the typed
REM list shows it), LOCAL makes it callable from the object's own code alone,
REM PERFORM runs a program method with the caller's variables; a method may
REM still be named like a modifier.
10 DEF CLASS "MODC"
20 FUNCTION HIDE HF()=1
30 FUNCTION LOCAL LF(X)=X*3
40 FUNCTION PERFORM PF(X)
50 ENTER X
60 RETURN X+BASEV
70 FUNCTION END
80 FUNCTION CALLLF(X)
90 ENTER X
100 RETURN _OBJ'LF(X)+_OBJ'ALL3()
110 FUNCTION END
120 FUNCTION LOCAL(X)=X+100
130 FUNCTION HIDE LOCAL PERFORM ALL3()=7
140 END DEF
150 H=NEW("MODC")
160 PRINT H'HF(), H'LOCAL(1)
170 BASEV=10; PRINT H'PF(3)
180 PRINT H'CALLLF(2)
190 PRINT H'*
200 PRINT H'_TYPE$
210 PRINT H'LF(2,ERR=220); PRINT "not here"
220 PRINT "local from outside:",ERR
230 END
SAVE "modc"
LIST 20,40
LIST 120,130
RUN
REM A line whose number's two bytes read as FUNCTION compiles as any other.
DELETE
38360 PRINT "line 38360"
RUN
