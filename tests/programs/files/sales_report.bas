0010 REM Sales report: a delimited sales file is made, read back and checked,
0020 REM totalled by customer with exact decimals, written to a report file,
0030 REM sorted through a pipe to the host's sort and read back in order.
0040 REM
0050 REM The sales file: one sale a line, "date;customer;item;quantity;price".
0060 REM Lines starting with "#" are comments; blank lines are skipped; a line
0070 REM with the wrong number of fields or a bad number is counted as rejected.
0080 PRECISION 2
0090 DIM CUST$[20],TOTAL[20],QTY[20],SALES[20]
0100 LET NCUST=0,NLINES=0,NREJECT=0,NCOMMENT=0,GRAND=0
0110 LET DATA$="t_sales/sales.txt",REPORT$="t_sales/report.txt"
0120 GOSUB 1000
0130 GOSUB 2000
0140 GOSUB 3000
0150 GOSUB 4000
0160 GOSUB 5000
0170 GOSUB 6000
0180 GOSUB 9000
0190 END
1000 REM ---- a fresh work directory ----
1010 OPEN (9)"<rm -rf t_sales; mkdir t_sales && echo ok"
1020 READ RECORD (9)A$
1030 CLOSE (9)
1040 IF A$<>"ok" THEN PRINT "cannot make the work directory"; STOP
1050 RETURN
2000 REM ---- make the sales file: 600 sales for 12 customers ----
2010 DIM NAMES$[12]
2020 LET NAMES$[1]="Acme Tools",NAMES$[2]="Baker & Sons",NAMES$[3]="Cole Ltd"
2030 LET NAMES$[4]="Dunn Farms",NAMES$[5]="Eagle Print",NAMES$[6]="Fox Garage"
2040 LET NAMES$[7]="Gray Office",NAMES$[8]="Hill Bakery",NAMES$[9]="Ives Hotel"
2050 LET NAMES$[10]="Jones Cafe",NAMES$[11]="Kent Books",NAMES$[12]="Lowe Dental"
2060 DIM ITEMS$[5],PRICES$[5]
2070 LET ITEMS$[1]="paper",PRICES$[1]="4.99"
2080 LET ITEMS$[2]="toner",PRICES$[2]="61.35"
2090 LET ITEMS$[3]="stapler",PRICES$[3]="12.10"
2100 LET ITEMS$[4]="pens",PRICES$[4]="0.35"
2110 LET ITEMS$[5]="desk",PRICES$[5]="249.00"
2120 SERIAL DATA$
2130 OPEN LOCK (1)DATA$
2140 WRITE RECORD (1)"# sales of the quarter: date;customer;item;quantity;price"
2150 LET SEED=17
2160 FOR I=1 TO 600
2170 LET SEED=MOD(SEED*73+41,1009)
2180 LET C=MOD(SEED,12)+1,K=MOD(INT(SEED/12),5)+1,Q=MOD(SEED,9)+1
2190 LET D$="2024-"+STR(MOD(I,3)+1:"00")+"-"+STR(MOD(I,28)+1:"00")
2200 WRITE RECORD (1)D$+";"+NAMES$[C]+";"+ITEMS$[K]+";"+STR(Q)+";"+PRICES$[K]
2210 IF MOD(I,100)=0 THEN WRITE RECORD (1)""
2220 NEXT I
2230 WRITE RECORD (1)"2024-03-31;Broken line without fields"
2240 WRITE RECORD (1)"2024-03-31;Acme Tools;paper;two;4.99"
2250 REM the last line has no newline: written through a binary channel
2260 CLOSE (1)
2270 OPEN LOCK (1,BIN=1)DATA$
2280 READ RECORD (1,SIZ=1000000,END=2290)A$
2290 WRITE RECORD (1)"2024-03-31;Cole Ltd;desk;1;249.00"
2300 CLOSE (1)
2310 RETURN
3000 REM ---- read and total the sales by customer ----
3010 OPEN INPUT (1)DATA$
3020 READ RECORD (1,END=3200)L$
3030 LET NLINES=NLINES+1
3040 IF L$="" THEN GOTO 3020
3050 IF L$(1,1)="#" THEN LET NCOMMENT=NCOMMENT+1; GOTO 3020
3060 GOSUB 3500
3070 IF NF<>5 THEN LET NREJECT=NREJECT+1; GOTO 3020
3080 LET QN=NUM(F$[4],ERR=3150),PN=NUM(F$[5],ERR=3150)
3100 LET AMOUNT=QN*PN
3110 GOSUB 3700
3120 LET TOTAL[CI]=TOTAL[CI]+AMOUNT,QTY[CI]=QTY[CI]+QN,SALES[CI]=SALES[CI]+1
3130 LET GRAND=GRAND+AMOUNT
3140 GOTO 3020
3150 LET NREJECT=NREJECT+1
3160 GOTO 3020
3200 CLOSE (1)
3210 RETURN
3500 REM split L$ at ";" into F$[1..NF]
3510 DIM F$[10]
3520 LET NF=0,S$=L$
3530 LET P=POS(";"=S$),NF=NF+1
3540 IF P=0 THEN GOTO 3580
3550 IF NF<=10 THEN LET F$[NF]=S$(1,P-1)
3560 LET S$=S$(P+1)
3570 GOTO 3530
3580 IF NF<=10 THEN LET F$[NF]=S$
3590 RETURN
3700 REM the customer's slot CI, a new one when the name is new
3710 LET CI=1
3720 IF CI>NCUST THEN GOTO 3750
3730 IF CUST$[CI]=F$[2] THEN RETURN
3740 LET CI=CI+1; GOTO 3720
3750 LET NCUST=NCUST+1,CI=NCUST,CUST$[CI]=F$[2]
3760 RETURN
4000 REM ---- write the report file: one line per customer ----
4010 SERIAL REPORT$
4020 OPEN LOCK (2)REPORT$
4030 FOR CI=1 TO NCUST
4040 LET T$=STR(TOTAL[CI]:"#######0.00")
4050 WRITE RECORD (2)T$+";"+CUST$[CI]+";"+STR(SALES[CI])+";"+STR(QTY[CI])
4060 NEXT CI
4070 CLOSE (2)
4080 RETURN
5000 REM ---- sort the report by total, largest first, through sort ----
5010 OPEN (3)"|LC_ALL=C sort -t';' -k1,1nr -k2,2"
5020 OPEN INPUT (2)REPORT$
5030 READ RECORD (2,END=5060)R$
5040 WRITE RECORD (3)R$
5050 GOTO 5030
5060 CLOSE (2)
5070 WRITE (3,IND=0)
5080 DIM SORTED$[20]
5090 LET NS=0
5100 READ RECORD (3,END=5140)R$
5110 LET NS=NS+1,SORTED$[NS]=R$
5120 GOTO 5100
5140 CLOSE (3)
5150 RETURN
6000 REM ---- print the report and check it ----
6010 PRINT "lines read:",NLINES," comments:",NCOMMENT," rejected:",NREJECT
6020 PRINT "customers:",NCUST," sorted lines:",NS
6030 PRINT
6040 PRINT "Customer          Sales   Qty        Total"
6050 LET CHECK=0,PREV=1E+09,ORDERED=1
6060 FOR I=1 TO NS
6070 LET L$=SORTED$[I]
6080 GOSUB 3500
6090 LET T=NUM(F$[1]),CHECK=CHECK+T
6100 IF T>PREV THEN LET ORDERED=0
6110 LET PREV=T
6120 PRINT PAD(F$[2],16),STR(NUM(F$[3]):"#####0"),STR(NUM(F$[4]):"#####0"),STR(T:"#########0.00")
6130 NEXT I
6140 PRINT
6150 PRINT "grand total:",STR(GRAND:"#########0.00")
6160 PRINT "sum of the report:",STR(CHECK:"#########0.00")
6170 IF CHECK=GRAND THEN PRINT "report adds up exactly" ELSE PRINT "report differs by",CHECK-GRAND
6180 IF ORDERED THEN PRINT "sorted largest first"
6190 RETURN
9000 REM ---- clean up ----
9010 ERASE DATA$,REPORT$,"t_sales"
9020 RETURN
RUN
