REM PRINT to a C-ISAM channel is error 1 and leaves both files as they were
10 OPEN (1)"stock.idx"
20 PRINT (1,ERR=40)"hello world"
30 PRINT "not reached"
40 PRINT "PRINT: error",ERR
50 PRINT (1,ERR=70)"partial",
60 PRINT (1,ERR=70)
65 PRINT "not reached"
70 PRINT "PRINT in two parts: error",ERR
80 CLOSE (1)
90 OPEN (1)"stock.idx"
100 READ RECORD (1,END=120)R$; N=N+1; IF POS("hello"=R$)>0 OR POS("partial"=R$)>0 THEN PRINT "text in a record"
110 GOTO 100
120 PRINT "records",N
130 OPEN (9)"<wc -c < stock.dat"; READ (9)A$; CLOSE (9); PRINT "data bytes",NUM(A$)
140 WRITE RECORD (1)"000099AFTER     0001          "
150 READ RECORD (1,KEY="000099")R$; PRINT R$(1,11)
160 END
RUN
