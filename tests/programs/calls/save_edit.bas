REM SAVE EDIT writes the list form of the program to a text file: the edit
REM layout's tab after the line number becomes blanks up to the next multiple
REM of 6 columns; MERGE reads it back.
10 FOR I=1 TO 2
20 IF I=1 THEN {
30 PRINT "one"
40 }
50 NEXT I
60 LABEL: PRINT "done"
SERIAL "edit.txt"
SAVE EDIT "edit.txt"
INVOKE "cat edit.txt"
DELETE
MERGE "edit.txt"
RUN
