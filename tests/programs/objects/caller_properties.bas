REM Inside a method, a property's name that is none of the running object's
REM is the property of the object whose method called it (down the method
REM levels): B's method reads and changes A's PA.  Called from no object, the
REM same name is the method's own variable, and the next call from A finds
REM A's property again.
10 DEF CLASS "A"
20 PROPERTY PA
30 FUNCTION GO(H)
35 ENTER H
40 PA=77
50 RETURN H'READPA()
60 FUNCTION END
70 END DEF
80 DEF CLASS "B"
90 PROPERTY PB
100 FUNCTION READPA()
110 PA=PA+1
120 RETURN PA
130 FUNCTION END
140 END DEF
150 A=NEW("A"); B=NEW("B")
160 PRINT A'GO(B), A'PA
170 PRINT B'READPA()
180 PRINT A'GO(B), A'PA
190 END
SAVE "walk"
RUN
