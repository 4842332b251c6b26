REM CLEAR with object properties: CLEAR H'A empties the property (an object
REM property gives back the reference it held); a chain clears the last
REM link's property; CLEAR EXCEPT H'A keeps the variable holding the handle.
REM Inside the object's code CLEAR EXCEPT keeps the listed properties and the
REM reference a kept object property holds.  An undeclared property, a system
REM property and a method call each give their error.
10 DEF CLASS "BOX"
20 PROPERTY A,B$,INNER OBJECT
30 FUNCTION KEEP()
40 T=1; CLEAR EXCEPT B$
50 PRINT "inside:",A,"["+B$+"]",T,INNER
60 RETURN 0
70 FUNCTION END
72 FUNCTION KEEPOBJ()
74 CLEAR EXCEPT INNER,A
76 PRINT "kept:",A,"["+B$+"]",INNER=_OBJ'INNER
78 RETURN 0
79 FUNCTION END
80 END DEF
100 H=NEW("BOX"); H'A=5; H'B$="x"; Z=9
110 I=NEW("BOX"); N=REF(ADD I); H'INNER=I; I'A=8; PRINT "held:",I'_REFCNT
120 CLEAR H'A,Z,H'INNER'A
130 PRINT H'A,"["+H'B$+"]",Z,I'A
140 N=REF(ADD I); CLEAR H'INNER; PRINT H'INNER,I'_REFCNT
150 N=REF(ADD I); H'INNER=I; H'A=6; X=H'KEEP(); PRINT "after:",H'A,H'B$,I'_REFCNT
160 N=REF(ADD I); H'INNER=I; H'A=6; H'B$="y"; X=H'KEEPOBJ(); PRINT "after:",H'A,H'INNER=I,I'_REFCNT
170 Y=5; CLEAR EXCEPT H; PRINT "except:",H'A,Y
180 CLEAR H'NOSUCH
190 END
SAVE "clr"
LIST 120
RUN
PRINT ERR
CLEAR H'_OBJ
CLEAR H'KEEP()
CLEAR EXCEPT H'A
PRINT H'A,H'B$
