REM A PRINT or WRITE that fails takes back only its own output: the text an
REM earlier PRINT left without a line end is kept and ends up in the record.
10 SERIAL "pk.tmp"
20 OPEN LOCK (1)"pk.tmp"; Q$="ab"
30 PRINT (1)"abc",; PRINT (1,ERR=40)"def",'BO'
40 PRINT "print:",ERR
50 PRINT (1)"ghi"
60 PRINT (1)"jk",; WRITE (1,ERR=70)"x",Q$(5)
70 PRINT "write:",ERR
80 PRINT (1)"lm"
90 PRINT (1)"no",; PRINT (1,ERR=100)"pq",'LF',"rs",Q$(9)
100 PRINT (1)"tu"
110 CLOSE (1)
120 OPEN (1)"pk.tmp"
130 READ RECORD (1,END=150)R$; PRINT R$; GOTO 130
150 CLOSE (1); ERASE "pk.tmp"
RUN
