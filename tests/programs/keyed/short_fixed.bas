REM A record shorter than a fixed record length stores the length written:
REM it reads back at the whole record length (zero-filled), and as written
REM with TN; it is keyed as it reads back, so every key finds it and REMOVE
REM takes its entries.
10 KEYED "sf","4,[1:1:3]",0,40
20 OPEN (1)"sf"
30 WRITE RECORD (1,KEY="0001")"ab"
40 WRITE (1,KEY="0002")"xyz"
50 READ RECORD (1,KEY="0001")A$; PRINT "read: ",LEN(A$)," bytes"
60 SET_PARAM 'TN'
70 READ RECORD (1,KEY="0001")A$; PRINT "read with TN: ",LEN(A$)," bytes ",A$
80 READ RECORD (1,KEY="0002")A$; PRINT "read with TN: ",LEN(A$)," bytes"
90 SET_PARAM -'TN'
100 READ (1,KNO=1,KEY="xyz")D$; PRINT "by key 1: ",D$,", key ",KEC(1,KNO=0)
110 REMOVE (1,KEY="0002"); READ (1,KNO=1,KEY="xyz",DOM=120)K$; PRINT "still there"
120 PRINT "records: ",FIN(1,"NUMREC")
130 CLOSE (1); ERASE "sf"
RUN
