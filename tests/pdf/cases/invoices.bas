REM the invoice run: 50 customers, 4 pages each, a logo, a shaded table in boxes, a pie chart per customer, page n of m, a bookmark per customer
10 DIM ITEM$[7],CAT$[3],CLR$[3],NAME$[9],PART[3]
20 ITEM$[0]="Copier paper A4, 5 reams",ITEM$[1]="Toner cartridge, black",ITEM$[2]="Ballpoint pens, box of 50",ITEM$[3]="Desk lamp, LED"
30 ITEM$[4]="Archive boxes, pack of 10",ITEM$[5]="Stapler, heavy duty",ITEM$[6]="Whiteboard markers, 8 colours",ITEM$[7]="Office chair mat"
40 CAT$[0]="Paper",CAT$[1]="Printing",CAT$[2]="Writing",CAT$[3]="Furniture"
50 CLR$[0]="RGB:40,90,170",CLR$[1]="RGB:230,140,30",CLR$[2]="RGB:60,160,80",CLR$[3]="RGB:190,50,60"
60 NAME$[0]="Abbott",NAME$[1]="Baker",NAME$[2]="Carver",NAME$[3]="Dalton",NAME$[4]="Ellis",NAME$[5]="Fisher",NAME$[6]="Grant",NAME$[7]="Hughes",NAME$[8]="Irving",NAME$[9]="Jensen"
70 CUSTOMERS=50; PPC=4; ROWS=40; PAGES=CUSTOMERS*PPC
80 DEF FNY(YL)=INT(YL*80/3)
90 OPEN (1,OPT="TITLE=Invoices;AUTHOR=ACME Supplies Ltd;SUBJECT=Monthly invoice run")"*pdf*FILE=invoices.pdf"
100 PG=0
110 FOR C=1 TO CUSTOMERS
120 CUST$=NAME$[MOD(C*7,10)]+" & Sons "+STR(C); TOTAL=0; PART[0]=0,PART[1]=0,PART[2]=0,PART[3]=0
130 FOR P=1 TO PPC
140 PG=PG+1
150 IF PG>1 THEN PRINT (1)'FF',
160 IF P=1 THEN PRINT (1)MOPT("BOOKMARK","Customers"+$09$+CUST$),
170 GOSUB 1000
180 FOR R=1 TO ROWS
190 K=MOD(C*13+P*7+R*3,8); Q=MOD(C+R*P,9)+1; PRICE=2.5+K*3.75; AMT=Q*PRICE; TOTAL=TOTAL+AMT; PART[MOD(K,4)]=PART[MOD(K,4)]+AMT
200 L=7+R
210 IF MOD(R,2)=0 THEN PRINT (1)PEN(0,1,"Black"),FIL(1,"RGB:235,235,240"),RCT(0,FNY(L),1280,FNY(L+1)),
220 PRINT (1)@(1,L),ITEM$[K],@(40),Q:"###",@(48),PRICE:"##,##0.00",@(64),AMT:"###,##0.00"
230 NEXT R
240 GOSUB 1100
250 NEXT P
260 GOSUB 1200
270 NEXT C
280 CLOSE (1)
290 PRINT "pages:",PG
300 STOP
1000 REM page head: logo, addresses, page n of m, table head
1010 PRINT (1)PIC(1056,0,1264,FNY(4),"logo.jpg",6),
1020 PRINT (1)@(0,0),'BB',"ACME Supplies Ltd",'EB'
1030 PRINT (1)@(0,1),"12 Harbour Road, Portsmouth"
1040 PRINT (1)@(0,3),"Invoice ",10000+C,"   Customer: ",CUST$
1050 PRINT (1)@(0,4),"Page ",STR(PG)," of ",STR(PAGES)
1060 PRINT (1)PEN(0,1,"Black"),FIL(1,"RGB:200,205,220"),RCT(0,FNY(6),1280,FNY(7)),
1070 PRINT (1)@(1,6),"Item",@(40),"Qty",@(50),"Price",@(67),"Amount"
1080 RETURN
1100 REM the table's boxes
1110 PRINT (1)PEN(1,1,"Black"),FIL(0,"White"),RCT(0,FNY(6),1280,FNY(8+ROWS)),
1120 PRINT (1)LIN(38*16,FNY(6),38*16,FNY(8+ROWS)),LIN(46*16,FNY(6),46*16,FNY(8+ROWS)),LIN(60*16,FNY(6),60*16,FNY(8+ROWS)),
1130 RETURN
1200 REM totals and the pie chart of the customer's categories
1210 PRINT (1)@(50,50),"Total",@(62),TOTAL:"###,###,##0.00"
1220 A0=0
1230 FOR I=0 TO 3
1240 A1=A0+INT(PART[I]*360/TOTAL+.5); IF I=3 THEN A1=360
1250 IF A1>A0 THEN PRINT (1)PEN(1,1,"White"),FIL(1,CLR$[I]),PIE(200,FNY(56),120,1,A0,A1),
1260 PRINT (1)FIL(1,CLR$[I]),PEN(0,1,"Black"),RCT(400,FNY(52+I*2),430,FNY(53+I*2)),@(28,52+I*2),CAT$[I],@(40),PART[I]*100/TOTAL:"##0.0","%"
1270 A0=A1
1280 NEXT I
1290 RETURN
RUN
