REM A program text whose first line carries a protection key merges into a
REM protected program: it runs, but LIST, EDIT and SAVE as text refuse it;
REM saved as a program its image is enciphered, and loaded again it is
REM still protected.
SERIAL "secret.txt"
OPEN LOCK (1)"secret.txt"
PRINT (1)"**Password**:00112233AABBCCDD"
PRINT (1)"10 PRINT ""hidden words"""
PRINT (1)"20 END"
CLOSE (1)
MERGE "secret.txt"
RUN
LIST
20 PRINT "changed"
SAVE "secret"
INVOKE "grep -c 'hidden words' secret.txt secret"
DELETE
LOAD "secret"
LIST
RUN
SERIAL "listing"
SAVE "listing"
REM MERGE into a protected program is refused.
MERGE "secret.txt"
