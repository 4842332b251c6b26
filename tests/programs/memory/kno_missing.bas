REM KNO= of a key a memory file does not have is error 13 for every
REM directive (the writing ones before any DOM=), and nothing is written.
10 OPEN (1)"*memory*;KEYDEF=[1:1:2]"
20 WRITE (1)"ab","x"
30 READ (1,KNO=5,KEY="ab",ERR=40)A$; PRINT "read ok",ERR
40 PRINT "read:",ERR
50 INSERT (1,KNO=5,ERR=60)"cd","y"; PRINT "insert ok",ERR
60 PRINT "insert:",ERR
70 PRINT (1,KNO=5,ERR=80)"ef","z"; PRINT "print ok",ERR
80 PRINT "print:",ERR
90 WRITE (1,KNO=5,ERR=100,DOM=95)"gh","z"; PRINT "write ok",ERR; GOTO 100
95 PRINT "write dom"
100 PRINT "write:",ERR
110 UPDATE (1,KNO=5,ERR=120,DOM=115)"ab","q"; PRINT "update ok",ERR; GOTO 120
115 PRINT "update dom"
120 PRINT "update:",ERR
130 EXTRACT (1,KNO=5,KEY="ab",ERR=140)A$; PRINT "extract ok",ERR
140 PRINT "extract:",ERR
150 REMOVE (1,KNO=5,KEY="ab",ERR=160); PRINT "remove ok",ERR
160 PRINT "remove:",ERR
170 FIND (1,KNO=5,KEY="ab",ERR=180)A$; PRINT "find ok",ERR
180 PRINT "find:",ERR
190 PRINT KEY(1,KNO=5,ERR=200); PRINT "key ok",ERR
200 PRINT "key:",ERR
210 PRINT "records:",FIN(1,"NUMREC"); CLOSE (1)
RUN
