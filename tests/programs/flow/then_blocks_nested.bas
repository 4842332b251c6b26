IF 0 THEN { IF 1 THEN { PRINT "a" }; PRINT "b" }; PRINT "end"
IF 1 THEN { PRINT "t" } ELSE { IF 1 THEN { PRINT "x" }; PRINT "y" }; PRINT "end2"
IF 0 THEN { IF 1 THEN { IF 1 THEN { PRINT "deep" } } } ELSE { PRINT "else3" }
10 X=0; Y=1
20 IF X THEN {
30 IF Y THEN {
40 PRINT "inner"
50 } ELSE {
60 PRINT "inner else"
70 }
80 PRINT "after inner"
90 } ELSE {
100 PRINT "outer else"
110 }
120 X=1; Y=0; IF Z=0 THEN Z=1; GOTO 20
130 PRINT "done"
RUN
