10 REM serial files read and written in large chunks: lines across chunk edges, long lines
20 ERASE "chunks.txt",ERR=30
30 SERIAL "chunks.txt"
40 OPEN LOCK (1)"chunks.txt"
50 FOR I=1 TO 3000; WRITE (1)STR(I)+DIM(MOD(I*7,61),"x"),I; NEXT I
60 L$=DIM(70000,"L"); WRITE (1)L$+"end"
70 FOR I=1 TO 2000; WRITE (1)"tail",I; NEXT I
80 CLOSE (1)
90 OPEN (1)"chunks.txt"
100 N=0; T=0; M=0
110 READ (1,END=160)A$
120 N=N+1; T=T+LEN(A$)
130 IF LEN(A$)>M THEN M=LEN(A$); W=N
140 IF N=1500 OR N=3001 OR N=5001 THEN PRINT N,A$(1,4),LEN(A$)
150 GOTO 110
160 PRINT "lines",N,"bytes",T,"longest",M,"at",W
170 CLOSE (1)
180 OPEN (1)"chunks.txt"; READ (1,IND=2999)A$,B; PRINT A$(1,4),B; CLOSE (1)
190 OPEN LOCK (1)"chunks.txt"; READ (1)A$; READ (1)A$; WRITE (1)"replaced"; CLOSE (1)
200 OPEN (1)"chunks.txt"; N=0
210 READ (1,END=230)A$; N=N+1; IF N<4 THEN PRINT A$
220 GOTO 210
230 PRINT "after truncation",N; CLOSE (1)
240 ERASE "chunks.txt"
250 END
RUN
