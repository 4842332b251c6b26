0010 REM pdf_invoice: 200 pages of invoices, 50 customers of four pages each:
0020 REM a logo picture, a table of 40 lines in a box with column rules and
0030 REM shaded rows, a pie chart on each customer's last page, page numbers
0040 REM "n of m" and a bookmark per customer.  The first line typed before
0050 REM this program chooses the back end (SET_PARAM 'PH': the PDF library).
0060 DEF FNY(N9)=INT(N9*12/0.45)
0070 OPEN (1,OPT="TITLE=Invoices;AUTHOR=Accounts")"*pdf*FILE=invoices.pdf"
0080 LET M=200,P=0
0090 FOR C=1 TO 50
0100 LET T=0,S1=0,S2=0,S3=0,S4=0
0110 FOR K=1 TO 4
0120 LET P=P+1
0130 IF K=1 THEN PRINT (1)MOPT("BOOKMARK","Customer "+STR(C))
0140 PRINT (1)PIC(0,0,213,142,"pdf_logo.jpg",5)
0150 PRINT (1)@(40,1),"ACME Supplies Ltd",@(40,2),"Invoice ",STR(C*1000+K),@(40,3),"Customer ",STR(C)
0160 PRINT (1)PEN(1,1,"Black"),FIL(1,"RGB:210,210,230"),RCT(0,FNY(6),1280,FNY(7))
0170 PRINT (1)@(1,6),"Item",@(9,6),"Description",@(45,6),"Qty",@(56,6),"Price",@(69,6),"Amount"
0180 FOR L=1 TO 40
0190 LET Y=FNY(6+L)
0200 IF MOD(L,2)=0 THEN PRINT (1)PEN(0,1,"Black"),FIL(1,"RGB:240,240,240"),RCT(0,Y,1280,Y+FNY(1))
0210 LET I=C*100+L,Q=MOD(C+L*3,17)+1,U=MOD(C*13+L*7,500)/4+1.5,A=Q*U
0220 LET T=T+A
0230 IF MOD(L,4)=0 THEN S1=S1+A ELSE IF MOD(L,4)=1 THEN S2=S2+A ELSE IF MOD(L,4)=2 THEN S3=S3+A ELSE S4=S4+A
0240 PRINT (1)@(1,6+L),I:"#####",@(9,6+L),"Widget model ",STR(MOD(C*7+L,97)),@(44,6+L),Q:"###0",@(53,6+L),U:"#,##0.00",@(66,6+L),A:"###,##0.00"
0250 NEXT L
0260 PRINT (1)PEN(1,1,"Black"),FIL(0,"White"),RCT(0,FNY(6),1280,FNY(47))
0270 PRINT (1)LIN(128,FNY(6),128,FNY(47)),LIN(688,FNY(6),688,FNY(47)),LIN(832,FNY(6),832,FNY(47)),LIN(1040,FNY(6),1040,FNY(47))
0280 PRINT (1)@(50,48),"Total to date",@(66,48),T:"###,##0.00"
0290 IF K<4 THEN GOTO 0350
0300 LET Z=S1+S2+S3+S4,A1=INT(S1*360/Z),A2=A1+INT(S2*360/Z),A3=A2+INT(S3*360/Z)
0310 PRINT (1)PEN(1,1,"Black"),FIL(1,"RGB:40,80,200"),PIE(320,FNY(55),160,1,0,A1)
0320 PRINT (1)FIL(1,"RGB:200,60,40"),PIE(320,FNY(55),160,1,A1,A2),FIL(1,"RGB:40,160,60"),PIE(320,FNY(55),160,1,A2,A3)
0330 PRINT (1)FIL(1,"RGB:230,190,30"),PIE(320,FNY(55),160,1,A3,360)
0340 PRINT (1)@(30,52),"Sales by product group"
0350 PRINT (1)@(60,62),"Page ",STR(P)," of ",STR(M),
0360 IF P<M THEN PRINT (1)'FF',
0370 NEXT K
0380 NEXT C
0390 CLOSE (1)
0400 PRINT "pages:",P
RUN
