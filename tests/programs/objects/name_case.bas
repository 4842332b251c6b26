REM Names inside objects' code are found whatever their case, for each
REM object its own values, in expression methods, program methods and
REM property expressions, also after the class program is loaded again
REM with other names in the same places.
10 DEF CLASS "NC"
20 PROPERTY A,AB,B$
30 FUNCTION F1(X)=a+Ab+X
40 FUNCTION F2(X)=A*10+ab+X+LEN(b$)
50 FUNCTION F3(X)
60 ENTER X
70 RETURN a+AB*X
80 FUNCTION END
90 END DEF
100 P=NEW("NC"); Q=NEW("NC"); P'A=1; P'AB=2; Q'A=5; Q'AB=7; Q'B$="xyz"
110 FOR I=1 TO 3; PRINT P'F1(I),Q'F1(I),P'F2(I),Q'F2(I),P'F3(I),Q'F3(I); NEXT I
120 DROP OBJECT P; DROP OBJECT Q
130 END
SAVE "nc"
RUN
DELETE
10 DEF CLASS "NC"
20 PROPERTY C,CD,B$
30 FUNCTION F1(X)=c+Cd+X
40 FUNCTION F2(X)=C*10+cd+X+LEN(b$)
50 FUNCTION F3(X)
60 ENTER X
70 RETURN c+CD*X
80 FUNCTION END
90 END DEF
100 P=NEW("NC"); Q=NEW("NC"); P'C=3; P'CD=4; Q'C=6; Q'CD=8; Q'B$="xy"
110 FOR I=1 TO 3; PRINT P'F1(I),Q'F1(I),P'F2(I),Q'F2(I),P'F3(I),Q'F3(I); NEXT I
120 DROP OBJECT P; DROP OBJECT Q
130 END
SAVE "nc"
RUN
