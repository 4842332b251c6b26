10 FOR I=1 TO 3
20 IF I=1 THEN PRINT "one" ELSE IF I=2 THEN PRINT "two" ELSE PRINT "three"
30 IF I>1 PRINT "more than one"; PRINT "still then"
40 IF I=2 THEN { PRINT "block two"; PRINT "second" } ELSE { PRINT "block else" }
50 IF I=3 THEN {
60 PRINT "multi-line block"
70 } ELSE {
80 PRINT "multi-line else"
90 }
100 IF I<>2 THEN
110 PRINT "block if", I
120 IF I=1 THEN PRINT "inner one-line" ELSE PRINT "inner else"
130 IF I=3 THEN
140 PRINT "nested three"
150 END IF
160 ELSE
170 PRINT "block else", I
180 END IF
190 NEXT I
200 IF 0 THEN PRINT "no" ELSE PRINT "else part"; PRINT "of else"
210 IF 1 THEN PRINT "yes" ELSE PRINT "no"; PRINT "no either"
220 PRINT "end"
RUN
IF 1 THEN PRINT "console yes" ELSE PRINT "console no"
IF 0 THEN PRINT "console yes" ELSE PRINT "console no"
LIST 40,100
