REM Property and method names that a data dictionary holds: the program saved
REM with the dictionary loaded keeps references, and loaded again with it the
REM properties are found under the elements' names (in class statements, in
REM references from outside, as variables inside the object's code, in DROP
REM PROPERTY and CLEAR).  Dictionary "dd": elements WEIGHT and COLOR.
INVOKE "printf '\000\001\000\002\000\000\000\000\000\000\000\007\000\000\000\000\000\015\006WEIGHT\005COLOR\000\002\000\000\000\002\000\000\000\001' > dd"
DICT LOAD "dd"
10 DEF CLASS "ITEM"
20 PROPERTY WEIGHT,COLOR,SIZE
30 FUNCTION TOTAL()=WEIGHT+COLOR+SIZE
40 FUNCTION DOUBLE()
50 WEIGHT=WEIGHT*2
60 RETURN WEIGHT
70 FUNCTION END
80 END DEF
90 H=NEW("ITEM"); H'WEIGHT=5; H'COLOR=7; H'SIZE=1
100 PRINT H'WEIGHT,H'COLOR,H'TOTAL(),H'DOUBLE(),H'WEIGHT
110 CLEAR H'COLOR; PRINT H'TOTAL()
120 DROP PROPERTY WEIGHT,H; PRINT H'TOTAL()
130 END
SAVE "dprop"
INVOKE "if grep -q WEIGHT dprop; then echo the name is in the file; else echo the file holds the reference; fi"
LOAD "dprop"
LIST 20,30
RUN
