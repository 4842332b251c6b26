10 REM Customers and invoices in two keyed files.  Customers are kept by
20 REM number and by name, invoices by number and by customer and date.
30 REM The program posts invoices, takes payments and prints an aged
40 REM balance report; every total is checked by a second way of adding up.
50 D$="invoicing.dir"; INVOKE "mkdir "+D$; CWD D$
60 LET NI=10000,NC=60,NP=2500,SEED=20240701
70 LET TODAY=JUL(2024,7,1)
80 DIM P1$[9],P2$[9],CT$[7]
90 LET P1$[0]="Alpen",P1$[1]="Berg",P1$[2]="Fluss",P1$[3]="Garten",P1$[4]="Hafen",P1$[5]="Kreuz",P1$[6]="Linden",P1$[7]="Muehle",P1$[8]="See",P1$[9]="Tal"
100 LET P2$[0]="bau",P2$[1]="handel",P2$[2]="technik",P2$[3]="druck",P2$[4]="transport",P2$[5]="optik",P2$[6]="werk",P2$[7]="service",P2$[8]="bank",P2$[9]="logistik"
110 LET CT$[0]="Aarau",CT$[1]="Basel",CT$[2]="Bern",CT$[3]="Chur",CT$[4]="Luzern",CT$[5]="Sion",CT$[6]="Thun",CT$[7]="Zug"
150 KEYED "customers","[1:1:6],[2:1:24]",0,80
160 KEYED "invoices","[1:1:7],[2:1:6]+[3:1:8]",0,60
170 OPEN (1)"customers"; OPEN (2)"invoices"
180 REM ---- customers: numbered C00001.., names made of two parts
190 FOR C=1 TO NC
200 LET NAME$=P1$[MOD(C*7,10)]+P2$[MOD(INT(C/10)+C,10)]+" "+STR(C:"00")
210 WRITE (1)"C"+STR(C:"00000"),NAME$,CT$[MOD(C,8)]
220 NEXT C
230 PRINT "customers: ",FIN(1,"NUMREC"),", first by name: ",KEF(1,KNO=1),", last: ",KEL(1,KNO=1)
240 REM ---- post invoices: a customer, a day in the last year, an amount
250 LET POSTED=0
260 FOR I=1 TO NI
270 GOSUB 2000; LET C=MOD(SEED,NC)+1
280 GOSUB 2000; LET DN=TODAY-MOD(SEED,365)
290 GOSUB 2000; LET AMT=(MOD(SEED,500000)+100)/100
300 WRITE (2)"I"+STR(I:"000000"),"C"+STR(C:"00000"),DTE(DN:"%Y%Mz%Dz"),AMT,0
310 LET POSTED=POSTED+AMT
320 NEXT I
330 PRINT "invoices posted: ",FIN(2,"NUMREC")," for ",STR(POSTED:"###,###,##0.00")
340 REM ---- payments: invoices picked at random are paid in full; a second
350 REM payment of the same invoice is refused
360 LET PAID=0,TWICE=0
370 FOR I=1 TO NP
380 GOSUB 2000; LET INV$="I"+STR(MOD(SEED,NI)+1:"000000")
390 EXTRACT (2,KEY=INV$,KNO=0)INV$,C$,DT$,AMT,PD
400 IF PD<>0 THEN LET TWICE=TWICE+1; READ (2,KEY=INV$)INV$; GOTO 430
410 WRITE (2)INV$,C$,DT$,AMT,AMT
420 LET PAID=PAID+AMT
430 NEXT I
440 PRINT "payments: ",NP-TWICE," for ",STR(PAID:"###,###,##0.00"),", ",TWICE," refused as paid before"
450 REM ---- aged balance report: customers by name, each one's invoices
460 REM by customer and date
470 DIM B[4],T[4]
480 PRINT
490 PRINT "AGED BALANCES AT ",DTE(TODAY:"%Y-%Mz-%Dz")
500 PRINT "Customer",@(24),"City",@(42),"0-30",@(55),"31-60",@(69),"61-90",@(85),"90+"
510 READ (1,KNO=1,KEY="",DOM=520)
520 READ (1,END=700)C$,NAME$,CITY$
530 FOR J=0 TO 4; LET B[J]=0; NEXT J
540 READ (2,KNO=1,KEY=C$,DOM=550)
550 READ (2,END=620)INV$,IC$,DT$,AMT,PD
560 IF IC$<>C$ THEN GOTO 620
570 LET OWED=AMT-PD; IF OWED=0 THEN GOTO 550
580 LET AGE=TODAY-JUL(NUM(DT$(1,4)),NUM(DT$(5,2)),NUM(DT$(7,2)))
590 LET J=0; IF AGE>30 THEN LET J=1; IF AGE>60 THEN LET J=2; IF AGE>90 THEN LET J=3
600 LET B[J]=B[J]+OWED,B[4]=B[4]+OWED
610 GOTO 550
620 PRINT NAME$,@(24),CITY$,@(32),STR(B[0]:"###,###,##0.00"),STR(B[1]:"###,###,##0.00"),STR(B[2]:"###,###,##0.00"),STR(B[3]:"###,###,##0.00")
630 FOR J=0 TO 4; LET T[J]=T[J]+B[J]; NEXT J
640 GOTO 520
700 PRINT "Total",@(32),STR(T[0]:"###,###,##0.00"),STR(T[1]:"###,###,##0.00"),STR(T[2]:"###,###,##0.00"),STR(T[3]:"###,###,##0.00")
710 PRINT "open balance ",STR(T[4]:"###,###,##0.00")
720 REM ---- checks: the invoices in number order add up to the same
730 LET OPN=0,ALL=0,N=0
740 READ (2,KNO=0,KEY="",DOM=750)
750 READ (2,END=790)INV$,IC$,DT$,AMT,PD
760 LET N=N+1,ALL=ALL+AMT,OPN=OPN+AMT-PD
770 GOTO 750
790 PRINT "invoices read ",N,", posted again ",STR(ALL:"###,###,##0.00")
800 IF ALL<>POSTED THEN PRINT "POSTED TOTALS DIFFER"
810 IF OPN<>T[4] OR ALL-PAID<>OPN THEN PRINT "OPEN BALANCES DIFFER"
820 PRINT "posted = paid + open: ",ALL=PAID+OPN
830 PRINT "first and last invoice: ",KEF(2,KNO=0)," ",KEL(2,KNO=0),", ordinal of I005000: ",RNO(2,KEY="I005000")
840 CLOSE (1); CLOSE (2)
850 CWD ".."; INVOKE "rm -r "+D$
860 PRINT "done"
870 END
2000 REM the next number of a multiplicative congruential generator
2010 LET SEED=MOD(SEED*16807,2147483647)
2020 RETURN
RUN
