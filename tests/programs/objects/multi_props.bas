REM Several properties of a local object in one string: H'A.B.$ reads each
REM named property (a string property first, else a numeric one, as text),
REM each value followed by a NUL byte, a name that is no property giving an
REM empty value; H'A.B.$="7|zz|" assigns the values in turn, each ended by
REM the list's last byte; a name without a value keeps its own; a value that
REM is no number for a numeric property is error 88.  Through a chain too.
10 DEF CLASS "BOX"
20 PROPERTY A,B$,C,INNER OBJECT
30 END DEF
100 H=NEW("BOX"); H'A=5; H'B$="xy"
110 X$=H'A.B.$; PRINT LEN(X$),HTA(X$)
120 H'A.B.$="7|zz|"; PRINT H'A,H'B$
130 PRINT HTA(H'A.NONE.C.B.$),ERR
140 H'C.A.$="1;"; PRINT H'C,H'A
150 H'B.A.C.$="q/-2.5/"; PRINT H'B$,H'A,H'C
160 H'INNER=NEW("BOX"); H'INNER'A.B.$="3,in,"; PRINT H'INNER'A,H'INNER'B$,HTA(H'INNER'B.A.$)
170 SETERR 200
180 H'B.A.$="r|zz|"
190 END
200 PRINT "error",ERR,H'B$,H'A
210 END
RUN
