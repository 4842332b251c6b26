REM SAVE with parameter SV 0 writes the old program format: 16-bit sizes,
REM references to lines and labels by record offset, no saved versions.
REM A program loads and runs the same from either format.
10 REM old format
20 TOP: A=A+1
30 IF A<3 THEN GOTO TOP
40 GOSUB 100
50 PRINT "A=",A,B$; GOTO DONE
60 PRINT "never"
100 B$="sub"; RETURN
200 DONE: PRINT "done"
SET_PARAM 'SV'=0
SAVE "old0"
DELETE
RUN "old0"
LIST
REM The file starts with the old file id and format byte 0.
OPEN (1)"<head -c 8 old0; echo; od -An -tu1 -j84 -N1 old0"
READ (1)H$; READ (1)B$
CLOSE (1)
PRINT H$,B$
REM Saved again with SV 1 it is the new format, and runs the same.
SET_PARAM 'SV'=1
SAVE "new1"
RUN "new1"
REM Lines whose records lie past 32,767 bytes are reached by number and
REM label instead of by offset.
DELETE
10 SERIAL "gen.txt"
20 OPEN LOCK (1)"gen.txt"
30 FOR I=1 TO 360; WRITE (1)STR(I*10+10)+" REM "+DIM(90,"x"); NEXT I
40 CLOSE (1)
50 SERIAL "gen2.txt"
60 OPEN LOCK (1)"gen2.txt"
70 FOR I=1 TO 720; WRITE (1)STR(I*10+10)+" REM "+DIM(90,"x"); NEXT I
80 CLOSE (1)
RUN
DELETE
MERGE "gen.txt"
1 GOTO FAR
2 GOTO 7000
7000 PRINT "line 7000"; GOSUB LAST; END
8000 FAR: PRINT "far label"; GOTO 2
9000 LAST: PRINT "last label"; RETURN
SET_PARAM 'SV'=0
SAVE "big0"
DELETE
RUN "big0"
REM An image over 65,535 bytes cannot be written in the old format; the
REM file keeps the program it held.
DELETE
MERGE "gen2.txt"
SAVE "big0"
DELETE
RUN "big0"
