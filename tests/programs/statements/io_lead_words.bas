REM A statement word after WRITE, INPUT, OBTAIN, INSERT, UPDATE or OPEN leads
REM a form only where the statement has one (WRITE LOCK, INPUT EDIT, INSERT
REM DATA, OPEN END and the like); PERFORM names its program before ON.  The
REM others are refused when the line is entered; the forms taken run.
10 WRITE WRITE "a"
10 INPUT WRITE "a"
10 OBTAIN WRITE "a"
10 INSERT WRITE "a"
10 UPDATE WRITE "a"
10 OPEN WRITE "a"
10 OPEN (1)WRITE "a"
10 WRITE (1)CLEAR
10 PERFORM ON 1
10 PERFORM ON 1,2
10 SERIAL "ilw.tmp",ERR=20
20 OPEN LOCK (1)"ilw.tmp"; WRITE LOCK (1)"one"; UPDATE LOCK (1)"two"; INSERT (1)"three"
30 WRITE (1)"four"; CLOSE (1)
40 OPEN INPUT (1)"ilw.tmp"
50 READ (1,END=70)A$; PRINT A$; GOTO 50
70 CLOSE (1); ERASE "ilw.tmp"
80 PERFORM "nothere" ON "ilwp;10"; PRINT "registered"
90 PRINT "done"
RUN
