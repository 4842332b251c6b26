REM A journal another process left holding exactly one record (its next
REM address right after that record) opens and takes more records.
10 INVOKE "printf '\000\000\000\024O\000\000\020\000\000\000\000\000\000\000\000\000\000\000\001' > j1"
20 SET_JOURNAL OPEN "j1"; PRINT "opened"
30 SET_JOURNAL WRITE "two"; SET_JOURNAL CLOSE
40 OPEN (1)"j1"; PRINT "length ",FIN(1,"FILELENGTH")," > 20: ",NUM(FIN(1,"FILELENGTH"))>20; CLOSE (1); ERASE "j1"
RUN
