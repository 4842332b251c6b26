REM WITH n ... END WITH: a name that begins with "." reads the current WITH
REM value; blocks nest (20 deep), END WITH takes the previous value back.
PRINT .X,"(none yet)"
WITH 5; PRINT .X,.ANY+1,.A.B*2; END WITH; PRINT .X
REM A called program sees its caller's value; what it leaves open goes
REM with it.
10 PRINT "callee sees",.V
20 WITH .V+100
30 PRINT "callee now",.V
40 EXIT
SAVE "wcallee"
DELETE
10 WITH 7
20 FOR I=1 TO 3
30 WITH I*10; PRINT .V,; END WITH
40 NEXT I
50 PRINT "back to",.V
60 CALL "wcallee"
70 PRINT "after the call",.V
80 END WITH
90 PRINT "outside",.V
100 IF .V=0 AND .W+1=1 THEN PRINT "readers in a condition"
RUN
REM Listed as typed; the program saved and loaded reads the same.
LIST
SAVE "wcaller"
LOAD "wcaller"
RUN
REM The value is read-only (61); the forms that are no reader do not
REM compile: a string, an integer variable, a line reference.
DELETE
10 WITH 3
20 .X=4
RUN
READ DATA .X
PRINT .X$
PRINT .X%
GOTO .X
REM WITH takes a whole number of 32 bits (41); 21 open blocks are too many
REM and END WITH without one is an error (27); RUN starts with none.
WITH 2.5
WITH 3000000000
DELETE
10 FOR I=1 TO 21
20 WITH I
30 NEXT I
RUN
PRINT I,.X
RUN 30
PRINT .X
END WITH
