REM Program text without line numbers is numbered as it is read: by the
REM line's position in the text (UL, on from start-up), else in steps of
REM AI; "\" and ";" at the end of a line join the next one; in numbered
REM text an indented line continues the one before.
MERGE "unnumbered.txt"
LIST
RUN
DELETE
SET_PARAM -'UL'
MERGE "unnumbered.txt"
LIST
DELETE
SET_PARAM 'AI'=5
MERGE "unnumbered.txt"
LIST
DELETE
MERGE "numbered.txt"
LIST
RUN
REM A program without numbers saved as text keeps having none.
DELETE
MERGE "unnumbered.txt"
SERIAL "again.txt"
SAVE "again.txt"
INVOKE "cat again.txt"
REM LOAD of a text file numbers it the same way; text that adds no line is
REM error 18.
LOAD "unnumbered.txt"
LIST
SERIAL "empty.txt"
LOAD "empty.txt"
REM MERGE takes program text from an open channel too.
DELETE
OPEN (1)"numbered.txt"
MERGE (1)
CLOSE (1)
LIST
