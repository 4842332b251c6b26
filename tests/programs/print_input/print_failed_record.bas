REM A PRINT that fails takes back its own text: on an indexed file of
REM 20-byte records, a PRINT too long for the record is error 1, and the
REM WRITE that follows writes its own record alone; the text of an
REM unfinished PRINT before the failed one (ended by a separator) stays, so
REM the PRINT that follows completes that record.
10 INDEXED "pfr.tmp",5,20
20 OPEN (10)"pfr.tmp"
30 PRINT (10,ERR=50)DIM(100,"y")
40 PRINT "not here"
50 PRINT "too long:",ERR
60 WRITE (10,IND=2)"rec2"
70 READ (10,IND=2)A$
80 PRINT "index 2:",A$
90 PRINT (10,IND=3)"start",
100 PRINT (10,ERR=120)DIM(30,"z")
110 PRINT "not here"
120 PRINT "too long:",ERR
130 PRINT (10)"+end"
140 READ (10,IND=3)A$
150 PRINT "index 3:",A$
160 CLOSE (10)
170 ERASE "pfr.tmp"
RUN
