REM 100 transactions over three EFF files, each of up to eight writes and
REM removes at random, committed or rolled back at random; after each one
REM every file must hold what a model in arrays says (records and count).
10 DIM M$[3,30],P$[3,30]
20 FOR F=1 TO 3; KEYED "rt"+STR(F),4,0,40,OPT="1"; OPEN (F)"rt"+STR(F); NEXT F
30 S=12345; BAD=0; COMMITS=0
40 FOR T=1 TO 100
50 FOR F=1 TO 3; FOR K=1 TO 30; P$[F,K]=M$[F,K]; NEXT K; NEXT F
60 SET_JOURNAL BEGIN
70 GOSUB 500; N=MOD(S,8)+1
80 FOR O=1 TO N
90 GOSUB 500; F=MOD(S,3)+1; GOSUB 500; K=MOD(S,30)+1; GOSUB 500
100 IF MOD(S,4)=0 AND P$[F,K]<>"" THEN REMOVE (F,KEY=STR(K:"0000")); P$[F,K]="" ELSE V$="t"+STR(T)+"o"+STR(O); WRITE (F,KEY=STR(K:"0000"))V$; P$[F,K]=V$
110 NEXT O
120 GOSUB 500
130 IF MOD(S,2)=0 THEN SET_JOURNAL COMMIT; COMMITS=COMMITS+1; FOR F=1 TO 3; FOR K=1 TO 30; M$[F,K]=P$[F,K]; NEXT K; NEXT F ELSE SET_JOURNAL ROLLBACK
140 GOSUB 600
150 NEXT T
160 PRINT "transactions 100, committed ",COMMITS,", mismatches ",BAD
170 SET_JOURNAL READ V; PRINT "open at the end ",V
180 END
500 S=MOD(S*16807,2147483647); RETURN
600 FOR F=1 TO 3; C=0
610 FOR K=1 TO 30
620 R$=""; READ (F,KEY=STR(K:"0000"),DOM=630)R$
630 IF R$<>M$[F,K] THEN BAD=BAD+1; PRINT "transaction ",T," file ",F," key ",K," has [",R$,"] model [",M$[F,K],"]"
640 IF M$[F,K]<>"" THEN C=C+1
650 NEXT K
660 IF NUM(FIN(F,"NUMREC"))<>C THEN BAD=BAD+1; PRINT "transaction ",T," file ",F," count ",FIN(F,"NUMREC")," model ",C
670 NEXT F; RETURN
RUN
