10 OPEN (1)"*memory*"
20 C=1
30 WRITE (1,KEY="A")"one"
40 WRITE (1,KEY="B")"two"
50 R$=RCD(C,KEY="A"); N=RNO(C)+0; X=IND(C)
60 K$=KEF(C); L$=KEL(C,ERR=100)
70 IF KEY(C)="" THEN PRINT "none" ELSE PRINT "first ",K$," last ",L$," ind ",X
80 PRINT N,R$(1,3)
85 R$=RCD(C,KEY="B"); IF KEY(C,ERR=100)>"" THEN PRINT "not reached"
90 CLOSE (C); END
100 PRINT "error ",ERR; END
LIST
RUN
