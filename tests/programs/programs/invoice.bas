10 REM Invoice run: a price list, customers with trade discounts, five orders.
20 REM Each order line: gross = quantity x unit price, a quantity discount
30 REM by tier, then the customer's trade discount on what is left.  Every
40 REM amount is rounded to cents (half away from zero) as it is computed;
50 REM tax is charged per tax class on the class total of the invoice.
60 REM The expected figures were worked out separately with python3's
70 REM decimal module, following the same rounding steps.
80 PRECISION 4
90 REM --- price list
100 NP=9
110 DIM PC$[1:NP],PD$[1:NP],PP[1:NP],PT$[1:NP]
120 PC$[1]="BOLT-M8"; PD$[1]="Steel bolts M8"; PP[1]=.0375; PT$[1]="S"
130 PC$[2]="NUT-M8"; PD$[2]="Hex nuts M8"; PP[2]=.019; PT$[2]="S"
140 PC$[3]="WASH-8"; PD$[3]="Washers 8mm"; PP[3]=.0085; PT$[3]="S"
150 PC$[4]="BRKT-A"; PD$[4]="Angle bracket"; PP[4]=3.4995; PT$[4]="S"
160 PC$[5]="SCRW-440"; PD$[5]="Wood screws 4x40"; PP[5]=.0123; PT$[5]="S"
170 PC$[6]="TBOX"; PD$[6]="Toolbox"; PP[6]=49.99; PT$[6]="S"
180 PC$[7]="TIES-200"; PD$[7]="Cable ties x200"; PP[7]=1.335; PT$[7]="S"
190 PC$[8]="GLOVE-L"; PD$[8]="Work gloves L"; PP[8]=4.25; PT$[8]="R"
200 PC$[9]="MANUAL"; PD$[9]="Fitting manual"; PP[9]=12; PT$[9]="Z"
210 REM index of each item code, for the order lines
220 FOR I=1 TO NP; PX[PC$[I]]=I; NEXT I
230 REM --- tax classes: standard, reduced, zero-rated
240 CLS$="SRZ"
250 DIM TR[1:3],TN$[1:3]
260 TR[1]=8.25; TN$[1]="Standard"
270 TR[2]=5; TN$[2]="Reduced"
280 TR[3]=0; TN$[3]="Zero-rated"
290 REM --- customers: name, trade discount %, tax exempt flag
300 NC=4
310 DIM CN$[1:NC],CD[1:NC],CX[1:NC],CT[1:NC],CI[1:NC]
320 CN$[1]="Acme Fabrication"; CD[1]=0; CX[1]=0
330 CN$[2]="Baker & Sons"; CD[2]=2; CX[2]=0
340 CN$[3]="City Schools"; CD[3]=0; CX[3]=1
350 CN$[4]="Delta Marine"; CD[4]=3.5; CX[4]=0
360 REM --- orders: number, customer, and "code*quantity," items
370 NI=5
380 DIM IV[1:NI],IC[1:NI],IO$[1:NI],IT[1:NI],GT[1:3],GB[1:3]
390 IV[1]=1001; IC[1]=1; IO$[1]="BOLT-M8*250,NUT-M8*250,WASH-8*500,BRKT-A*12,TBOX*1,"
400 IV[2]=1002; IC[2]=2; IO$[2]="SCRW-440*1000,TIES-200*3,GLOVE-L*24,MANUAL*2,"
410 IV[3]=1003; IC[3]=3; IO$[3]="BRKT-A*150,GLOVE-L*60,MANUAL*30,XYZ-99*5,"
420 IV[4]=1004; IC[4]=4; IO$[4]="BOLT-M8*2000,NUT-M8*2000,WASH-8*4000,TIES-200*40,"
430 IV[5]=1005; IC[5]=1; IO$[5]="TBOX*2,GLOVE-L*6,"
440 FREIGHT=9.5; FREELIMIT=150
450 REM --- quantity discount tiers
460 DEF FNQD(Q)
470 IF Q>=1000 THEN RETURN 12.5
480 IF Q>=500 THEN RETURN 10
490 IF Q>=250 THEN RETURN 5
500 IF Q>=100 THEN RETURN 2.5
510 RETURN 0
520 FNEND
530 DEF FNMONEY$(A)=STR(A:"###,##0.00")
540 DEF FNLINE$(T$,A)=PAD(T$,46)+FNMONEY$(A)
550 RULE$=PAD("",56,"-")
560 REM ====================== price list with the quantity breaks
570 PRINT "PRICE LIST (unit price after the quantity discount)"
580 PRINT "Code      Description      Tax       1+     100+     250+     500+    1000+"
590 DIM BRK[1:5]
600 BRK[1]=1; BRK[2]=100; BRK[3]=250; BRK[4]=500; BRK[5]=1000
610 FOR I=1 TO NP
620 L$=PAD(PC$[I],10)+PAD(PD$[I],17)+" "+PT$[I]+" "
630 FOR B=1 TO 5
640 U=PP[I]*(100-FNQD(BRK[B]))/100
650 L$=L$+STR(U:"###0.0000")
660 NEXT B
670 PRINT L$
680 NEXT I
690 REM ====================== one invoice per order
700 FOR K=1 TO NI
710 C=IC[K]; SUB=0; DISCS=0; NL=0; BAD=0
720 DIM NB[1:3]
730 PRINT ""
740 PRINT PAD("INVOICE "+STR(IV[K]),46),"Customer ",STR(C)
750 PRINT CN$[C],
760 IF CD[C]>0 THEN PRINT " (trade discount ",STR(CD[C]),"%)",
770 IF CX[C] THEN PRINT " - tax exempt",
780 PRINT ""
790 PRINT "Item      Description        Qty    Price Qty%    Amount"
800 PRINT RULE$
810 FOR W$=IO$[K]
820 P=POS("*"=W$); CODE$=W$(1,P-1); Q=NUM(W$(P+1))
830 IF PX[CODE$]=0 THEN { PRINT PAD(CODE$,10),"** unknown item, line not charged **"; BAD=BAD+1; CONTINUE }
840 J=PX[CODE$]; NL=NL+1
850 X=Q*PP[J]; GOSUB 9000; G=X
860 QD=FNQD(Q)
870 X=G*QD/100; GOSUB 9000; D1=X
880 X=(G-D1)*CD[C]/100; GOSUB 9000; D2=X
890 N=G-D1-D2
900 T=POS(PT$[J]=CLS$); NB[T]=NB[T]+N
910 SUB=SUB+N; DISCS=DISCS+D1+D2
920 PRINT PAD(CODE$,10),PAD(PD$[J],16),STR(Q:"##,##0"),STR(PP[J]:"###0.0000"),
930 PRINT STR(QD:"##0.0"),STR(N:"###,##0.00")
940 NEXT W$
950 PRINT RULE$
960 PRINT FNLINE$(STR(NL)+" lines, discounts given "+STR(DISCS:"#,##0.00"),SUB)
970 REM tax per class, on the class total
980 TAX=0
990 FOR T=1 TO 3
1000 IF NB[T]=0 THEN CONTINUE
1010 R=TR[T]; IF CX[C] THEN R=0
1020 X=NB[T]*R/100; GOSUB 9000; TX=X
1030 GB[T]=GB[T]+NB[T]; GT[T]=GT[T]+TX; TAX=TAX+TX
1040 PRINT FNLINE$("Tax "+PAD(TN$[T],11)+STR(R:"#0.00")+"% on "+STR(NB[T]:"##,##0.00"),TX)
1050 NEXT T
1060 F=0; IF SUB<FREELIMIT THEN F=FREIGHT
1070 IF F THEN PRINT FNLINE$("Freight (orders under "+STR(FREELIMIT)+")",F)
1080 DUE=SUB+TAX+F; IT[K]=DUE
1090 PRINT PAD("",46),PAD("",10,"=")
1100 PRINT FNLINE$("Amount due",DUE)
1110 X=DUE*2/100; GOSUB 9000
1120 PRINT "Pay within 10 days and deduct ",STR(X:"#,##0.00")," (2%): ",STR(DUE-X:"#,##0.00")
1130 IF BAD THEN PRINT STR(BAD)," order line(s) held back for checking"
1140 CT[C]=CT[C]+DUE; CI[C]=CI[C]+1
1150 GSUB=GSUB+SUB; GTAX=GTAX+TAX; GF=GF+F; GDUE=GDUE+DUE
1160 NEXT K
1170 REM ====================== summaries
1180 PRINT ""
1190 PRINT "SUMMARY OF ",STR(NI)," INVOICES"
1200 PRINT RULE$
1210 PRINT FNLINE$("Goods, net of discounts",GSUB)
1220 FOR T=1 TO 3
1230 PRINT FNLINE$("  "+PAD(TN$[T],12)+"base "+STR(GB[T]:"##,##0.00")+"  tax",GT[T])
1240 NEXT T
1250 PRINT FNLINE$("Tax",GTAX)
1260 PRINT FNLINE$("Freight",GF)
1270 PRINT FNLINE$("Total invoiced",GDUE)
1280 REM customers ranked by amount invoiced (a simple exchange sort)
1290 DIM RK[1:NC]
1300 FOR I=1 TO NC; RK[I]=I; NEXT I
1310 FOR I=1 TO NC-1
1320 FOR J=I+1 TO NC
1330 IF CT[RK[J]]>CT[RK[I]] THEN { S=RK[I]; RK[I]=RK[J]; RK[J]=S }
1340 NEXT J
1350 NEXT I
1360 PRINT ""
1370 PRINT "Customer            Invoices      Amount   Share"
1380 FOR I=1 TO NC
1390 C=RK[I]
1400 PRINT PAD(CN$[C],20),STR(CI[C]:"#####0"),STR(CT[C]:"####,##0.00"),STR(CT[C]*100/GDUE:"####0.0"),"%"
1410 NEXT I
1420 REM largest invoice, and the average
1430 BEST=1
1440 FOR K=2 TO NI; IF IT[K]>IT[BEST] THEN BEST=K
1450 NEXT K
1460 PRINT "Largest invoice: ",STR(IV[BEST])," for ",FNMONEY$(IT[BEST])
1470 PRINT "Average invoice:",STR(GDUE/NI:"##,##0.0000")
1480 REM the largest invoice paid in three instalments, the last one
1490 REM taking what is left after the first two
1500 PRECISION 2
1510 PART=IT[BEST]/3
1520 PRINT "Instalments:",PART,PART,IT[BEST]-2*PART
1530 REM ====================== payments received, oldest invoice first
1540 PRECISION 4
1550 DIM PAID[1:NI],PY[1:NC]
1560 PY[1]=200; PY[2]=153.64; PY[3]=1104.27; PY[4]=100
1570 PRINT ""
1580 PRINT "STATEMENTS"
1590 FOR C=1 TO NC
1600 REST=PY[C]; K=0; OWED=0
1610 PRINT CN$[C],": payment received ",STR(PY[C]:"#,##0.00")
1620 WHILE K<NI
1630 K=K+1
1640 IF IC[K]<>C THEN CONTINUE
1650 GOSUB 8000
1660 PRINT "  ",STR(IV[K]),STR(IT[K]:"###,##0.00"),STR(A:"###,##0.00"),"  ",S$
1670 OWED=OWED+IT[K]-PAID[K]-DC
1680 WEND
1690 IF REST>0 THEN PRINT "  on account",PAD("",10),STR(REST:"###,##0.00")
1700 PRINT "  balance open",STR(OWED-REST:"##,##0.00-")
1710 TOPEN=TOPEN+OWED-REST
1720 NEXT C
1730 PRINT "Total open",STR(TOPEN:"#####,##0.00-")
1740 END
8000 REM allocate what is left of the payment to invoice K: a payment that
8010 REM matches the early-payment amount settles the invoice in full
8020 DC=0; X=IT[K]*2/100; GOSUB 9000; EARLY=IT[K]-X
8030 SWITCH 1
8040 CASE REST>=IT[K]
8050 A=IT[K]; S$="paid"; BREAK
8060 CASE REST=EARLY
8070 A=REST; DC=X; S$="paid, early discount "+STR(DC:"#0.00"); BREAK
8080 CASE REST>0
8090 A=REST; S$="part paid"; BREAK
8100 DEFAULT
8110 A=0; S$="open"
8120 END SWITCH
8130 PAID[K]=A; REST=REST-A
8140 RETURN
9000 REM round X to cents: assignment rounds to the PRECISION in force
9010 PRECISION 2; X=X*1; PRECISION 4
9020 RETURN
RUN
