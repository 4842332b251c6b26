10 REM Key navigation: a key of three number columns, TOP batches, DIR=, KEP at the first row, KEF and KEL leave the position, a descending segment, equal secondary keys
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS n_grid"
40 WRITE (9)"CREATE TABLE n_grid (a INT, b INT, c INT, tag VARCHAR(8), grp CHAR(2), PRIMARY KEY (a,b,c), KEY bygrp (grp))"
50 OPEN (1)"[mysql]orutest;n_grid;REC=a:2,b:2,c:2,tag:8,grp;KEY=a,b,c;KEY=grp;KEY=grp:D,tag;TOP=2"
60 FOR A=1 TO 2; FOR B=1 TO 3; FOR C=1 TO 2
70 WRITE (1)A,B,C,STR(A)+"/"+STR(B)+"/"+STR(C),CHR(65+MOD(A+B+C,3))+"x"
80 NEXT C; NEXT B; NEXT A
90 PRINT "rows ",FIN(1,"NUMREC")," KEF ",KEF(1)," KEL ",KEL(1)
100 REM every row once in key order, fetched two at a time
110 READ (1,KEY="",DOM=120)
120 READ (1,END=150)A,B,C,T$; PRINT T$," ",; GOTO 120
150 PRINT
160 PRINT "batches are ordered in the same statement: ",KEN(1)
170 REM from (1,2,2) on: the next rows are (1,3,1), (1,3,2), (2,1,1); number segments are 13 wide
175 DEF FNK$(X)=STR(X:"0000000000000")
180 READ (1,KEY=FNK$(1)+FNK$(2)+FNK$(2))A,B,C,T$
190 FOR I=1 TO 3; READ (1)A,B,C,T$; PRINT T$," ",; NEXT I; PRINT
200 REM a partial key that ends inside segment b starts at b >= value
210 READ (1,KEY=FNK$(2)+"00000",DOM=220)
220 READ (1)A,B,C,T$; PRINT "partial key: ",T$
230 REM KEP at the first row is end of file; KEF and KEL do not move the position
240 READ (1,KEY=FNK$(1)+FNK$(1)+FNK$(1))T$
250 LET X$=KEP(1,END=260); PRINT "KEP: ",X$; GOTO 270
260 PRINT "KEP at the first row: end of file"
270 PRINT "KEF ",KEF(1)," KEL ",KEL(1); READ (1)A,B,C,T$; PRINT "next after KEF and KEL: ",T$
280 REM DIR=0 reads the current row again; DIR=-1 the one before it; DIR=5 changes nothing
290 READ (1,DIR=0)A,B,C,T$; PRINT "DIR=0: ",T$
300 READ (1,DIR=-1)A,B,C,T$; PRINT "DIR=-1: ",T$
310 READ (1,DIR=5)A,B,C,T$; PRINT "DIR=5: ",T$
320 REM equal values of key 1 (grp): every row once, in primary-key order within a value
330 READ (1,KNO=1,KEY="",DOM=340)
340 LET N=0
350 READ (1,KNO=1,END=380)A,B,C,T$,G$; PRINT G$,":",T$," ",; LET N=N+1; GOTO 350
380 PRINT; PRINT "rows by grp: ",N
390 REM key 2: grp descending, then tag
400 PRINT "KEF of key 2: ",KEF(1,KNO=2),"  KEL: ",KEL(1,KNO=2)
410 READ (1,KNO=2,KEY="",DOM=420)
420 READ (1,KNO=2)A,B,C,T$,G$; READ (1,KNO=2)A,B,C,T$,G$; PRINT "second by grp descending: ",G$,":",T$
430 REM RNO= reads the n-th row of the current key; RNO( is the place of the current row
440 READ (1,KNO=0,RNO=7)A,B,C,T$; PRINT "row 7: ",T$," RNO(): ",RNO(1)
450 CLOSE (1)
460 WRITE (9)"DROP TABLE n_grid"
470 END
RUN
