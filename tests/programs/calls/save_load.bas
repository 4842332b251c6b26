REM SAVE then LOAD then LIST gives the same text; the loaded program runs.
10 REM totals of a few numbers
20 T=0; N=0
30 GOSUB ADD_ONE
40 IF N<5 THEN GOTO 30
50 PRINT "total",T; GOTO 90
60 PRINT "line 60 is never reached"
70 ADD_ONE: N=N+1; T=T+N*1.5
80 RETURN
90 IF T>100 THEN GOTO 65
100 S$="text with ""quotes"""; PRINT S$
LIST
SAVE "totals"
DELETE
LIST
LOAD "totals"
LIST
RUN
REM Changing a line of the loaded program works on lines of its own.
45 PRINT "line 45 added"
LIST 40,50
RUN
SAVE
LOAD "totals"
LIST 40,50
REM Labels referred to but not defined, and defined twice.
DELETE
10 GOTO NOWHERE
20 TWICE: PRINT 1
30 TWICE: PRINT 2
SAVE "labels"
REM Versions and the description.
DELETE
10 PRINT "v"
SAVE "versioned",IND=105,DSC="A program with a version   "
SAVE "versioned"
SAVE "versioned",5
REM The structure check (parameter SS).
DELETE
10 FOR I=1 TO 3
20 WHILE 1
30 NEXT I
SET_PARAM 'SS'
SAVE "structure"
REM "THEN {" opens a block that "}" closes, on the same line or later.
DELETE
10 FOR I=1 TO 2
20 IF I=1 THEN {
30 PRINT I
40 }
50 NEXT I
60 IF I=3 THEN { PRINT 3 } ELSE {
70 PRINT 4
80 }
SAVE "blocks"
80 REM
SAVE "blocks"
SET_PARAM -'SS'
REM PROGRAM makes an empty program file; it exists afterwards.
PROGRAM "fresh"
PROGRAM "fresh"
LOAD "fresh"
REM LOAD without a name reads the current program's file again.
DELETE
10 PRINT "from the file"
SAVE "again"
20 PRINT "typed, not saved"
LOAD
LIST
REM A directory holding ".kestcvs" gets a copy of every program saved
REM there, as a listing, in the directory its first line names.
INVOKE "mkdir -p copies work; echo $PWD/copies > work/.kestcvs"
SAVE "work/copied"
INVOKE "cat copies/copied.qebrg"
