REM SAVE EDIT writes the list form of the program to a text file: the edit
REM layout's tab after the line number becomes blanks up to the next multiple
REM of 6 columns, and a statement the layout breaks after a nested block's
REM "}" goes on on the next record after " \"; MERGE reads it back whole.
10 FOR I=1 TO 2
20 IF I=1 THEN {
30 PRINT "one"
40 }
50 NEXT I
60 LABEL: PRINT "done"
70 IF I=3 THEN { PRINT "a"; IF 1 THEN { PRINT "b"; IF 1 THEN { PRINT "}" } }; PRINT "c" } ELSE { PRINT "d" }
80 IF I=3 THEN { IF 0 THEN { PRINT "x" }; PRINT "e" }; PRINT "f"
LIST EDIT 70,80
SERIAL "edit.txt"
SAVE EDIT "edit.txt"
INVOKE "cat edit.txt"
DELETE
MERGE "edit.txt"
LIST 70,80
RUN
