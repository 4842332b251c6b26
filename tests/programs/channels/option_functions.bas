10 OPEN (1)"*memory*"
20 FOR I=1 TO 5; WRITE (1,KEY=STR(I*11:"000")+"x")"rec"+STR(I); NEXT I
30 K$="044yz"
40 READ (1,KEY=MID(K$,1,3)+"x",DOM=90)A$
50 PRINT A$
60 READ (1,KEY=SUB(STR(22:"000")+"x","0","0",1),ERR=95)A$
70 PRINT A$
80 READ (1,KEY=MID("zz",1,1),DOM=90)A$
90 PRINT "missing key, error ",ERR
91 A$="hello"; WRITE (1,KEY="k")MID(A$,2,3),LEN(A$),MID(A$,1); READ (1,KEY="k")X$,N,Y$; PRINT X$," ",N," ",Y$
92 CLOSE (1); END
95 PRINT "error ",ERR; END
LIST
RUN
