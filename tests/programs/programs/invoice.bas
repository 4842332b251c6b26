10 REM Invoice: quantities, unit prices, line discounts, tax and totals.
20 REM The expected figures were computed independently with python3's
30 REM decimal module (ROUND_HALF_UP to 2 places at each rounding step).
40 PRECISION 4
50 DIM D$[1:7],Q[1:7],P[1:7],R[1:7],G[1:7],DS[1:7],N[1:7],TX[1:7]
60 D$[1]="Steel bolts M8"; Q[1]=250; P[1]=.0375; R[1]=0
70 D$[2]="Hex nuts M8"; Q[2]=250; P[2]=.019; R[2]=5
80 D$[3]="Washers 8mm"; Q[3]=500; P[3]=.0085; R[3]=10
90 D$[4]="Angle bracket"; Q[4]=12; P[4]=3.4995; R[4]=2.5
100 D$[5]="Wood screws 4x40"; Q[5]=1000; P[5]=.0123; R[5]=12.5
110 D$[6]="Toolbox"; Q[6]=1; P[6]=49.99; R[6]=0
120 D$[7]="Cable ties"; Q[7]=3; P[7]=1.335; R[7]=7.5
130 TAXRATE=8.25
140 REM one printed line of the invoice is a record of fixed-width fields
150 DIM L$:"DESC:C(18),QTY:N(6),PRICE:N(9),DISC:N(7),NET:N(10)"
160 PRINT "INVOICE 2024-0117"
170 PRINT "Description          Qty    Price   Disc%       Net"
180 PRINT "------------------------------------------------------"
190 FOR I=Q[ALL]
200 G[I]=Q[I]*P[I]
210 X=G[I]*R[I]/100; GOSUB 1000; DS[I]=X
220 X=G[I]-DS[I]; GOSUB 1000; N[I]=X
230 X=N[I]*TAXRATE/100; GOSUB 1000; TX[I]=X
240 L$.DESC$=D$[I]; L$.QTY=Q[I]; L$.PRICE=P[I]; L$.DISC=R[I]
250 L$.NET=N[I]
260 PRINT L$
270 GROSS=GROSS+G[I]; DISC=DISC+DS[I]; NET=NET+N[I]; TAX=TAX+TX[I]
280 NEXT I
290 PRINT "------------------------------------------------------"
300 PRINT PAD("Gross",40),STR(GROSS:"###,##0.00")
310 PRINT PAD("Discounts",40),STR(DISC:"###,##0.00")
320 PRINT PAD("Net",40),STR(NET:"###,##0.00")
330 REM tax on the invoice total, rounded once, against the sum of line taxes
340 X=NET*TAXRATE/100; GOSUB 1000; TAXTOTAL=X
350 PRINT PAD("Tax 8.25% (lines)",40),STR(TAX:"###,##0.00")
360 PRINT PAD("Tax 8.25% (total)",40),STR(TAXTOTAL:"###,##0.00")
370 IF TAX<>TAXTOTAL THEN PRINT "Rounding difference:",TAX-TAXTOTAL
380 DUE=NET+TAX
390 PRINT PAD("Amount due",40),STR(DUE:"###,##0.00")
400 REM largest line and average net per line
410 BEST=1
420 FOR I=N[ALL]; IF N[I]>N[BEST] THEN BEST=I
430 NEXT I
440 PRINT "Largest line: ",D$[BEST]," ",STR(N[BEST]:"#,##0.00")
450 PRINT "Average net per line: ",STR(NET/7:"#,##0.0000")
460 REM payment in three instalments: the last one takes the remainder
470 PRECISION 2
480 PART=DUE/3
490 PRINT "Instalments:",PART,PART,DUE-2*PART
500 END
1000 REM round X to 2 places (assignment rounds to the PRECISION in force)
1010 PRECISION 2; X=X*1; PRECISION 4
1020 RETURN
RUN
