REM Switch SB: a record that one channel of the process holds (EXTRACT) is
REM busy (error 0) for another channel of the process on the same file, on
REM indexed and binary files; without SB the host lets the process pass.
10 INDEXED "ix",5,10; OPEN (1)"ix"; OPEN (2)"ix"
20 WRITE (1,IND=0)"first"
30 EXTRACT (1,IND=0)A$
40 EXTRACT (2,IND=0,ERR=50)B$; PRINT "without SB: extracted ",B$; GOTO 60
50 PRINT "without SB: error ",ERR
60 READ (2,IND=0)B$; SET_PARAM 'SB'
70 EXTRACT (1,IND=0)A$
80 EXTRACT (2,IND=0,ERR=90)B$; PRINT "extracted twice"; GOTO 100
90 PRINT "EXTRACT on the second channel: error ",ERR
100 WRITE (2,IND=0,ERR=110)"second"; PRINT "written over"; GOTO 120
110 PRINT "WRITE on the second channel: error ",ERR
120 WRITE (1,IND=0)"mine"; READ (2,IND=0)B$; PRINT "record: ",B$
130 EXTRACT (2,IND=0)B$; PRINT "the second channel extracts it now"
140 CLOSE (1); CLOSE (2); ERASE "ix"
RUN
