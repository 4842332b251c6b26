10 REM Batch validation with error recovery.  Each input record is a fixed
20 REM layout: account (1-6), amount (7-16), quantity (17-20), reference
30 REM (21-).  Fields are cut with MID( and converted with NUM(; every
40 REM class of bad input is caught by an ERR= branch or a SETERR handler
50 REM and the record is repaired or rejected.  The expected output was
60 REM worked out by hand and checked with python3's decimal module.
70 PRECISION 2
80 NB=10
90 DIM RF$[1:NB],B$[1:NB],CN$[0:6],CC[0:6],CA[0:6]
100 B$[1]="A10001    125.50   4INV-77"
110 B$[2]="A10002     7x.00   2INV-78"
120 B$[3]="A10003     60.00   0INV-79"
130 B$[4]="A10004"
140 B$[5]="A10005    -40.00   1CRN-12"
150 B$[6]="A1000X     15.00   3INV-80"
160 B$[7]="A10007   1.2E+03   2INV-81"
170 B$[8]="A10008      9.99    INV-82"
180 B$[9]="A10009     33.30  12INV-8O"
190 B$[10]="A10010     12,50   1INV-84"
200 CN$[0]="accepted"; CN$[1]="bad amount"; CN$[2]="short record"
210 CN$[3]="bad account"; CN$[4]="quantity repaired"; CN$[5]="zero quantity"
220 CN$[6]="credit over limit"; LIMIT=-500
230 REM ============== 1. validate and convert every record
240 PRINT "BATCH VALIDATION"
250 PRINT "No Account      Amount  Qty   Unit price  Status"
260 FOR I=1 TO NB
270 R$=B$[I]; NOTE$=""; C=0
280 ACCT$=MID(R$,1,6)
290 ACNO=NUM(MID(R$,2,5),ERR=1200)
300 AMT$=MID(R$,7,10,ERR=1300)
310 AMT=NUM(AMT$,ERR=1400)
320 IF AMT<LIMIT THEN C=6
330 QTY=NUM(MID(R$,17,4,ERR=1300),ERR=1500)
340 REF$=MID(R$,21,ERR=1300); RF$[I]=REF$
350 REM a zero quantity is caught by the handler, which corrects and retries
360 SETERR 1600
370 UP=AMT/QTY
380 SETERR OFF
390 GOSUB 1100
400 NEXT I
410 PRINT PAD("",60,"-")
420 FOR C=0 TO 6
430 PRINT PAD(CN$[C],20),STR(CC[C]:"##0"),STR(CA[C]:"-###,##0.00")
440 NEXT C
450 REM ============== the trailer record carries the batch's control totals
460 TRL$="TRAILER 00l0 0001403.79"; TRIES=0
470 CNT=NUM(MID(TRL$,9,4),ERR=1900)
480 TOT=NUM(MID(TRL$,14,10),ERR=2000)
490 SUM=0; FOR C=0 TO 6; SUM=SUM+CA[C]; NEXT C
500 IF CNT=NB THEN PRINT "Record count",CNT," agrees" ELSE PRINT "Record count",CNT," differs from",NB
510 IF TOT=SUM THEN PRINT "Control total",TOT," agrees" ELSE PRINT "Control total",TOT," differs from",SUM
520 REM ============== reference numbers: "INV-" or "CRN-" and a number
530 FOR I=1 TO NB
540 IF RF$[I]="" THEN CONTINUE
550 SWITCH MID(RF$[I],1,4)
560 CASE "INV-"
570 KIND$="invoice"; BREAK
580 CASE "CRN-"
590 KIND$="credit note"; BREAK
600 DEFAULT
610 KIND$="unknown"
620 END SWITCH
630 RN=NUM(MID(RF$[I],5),ERR=2100)
640 NREF[KIND$]=NREF[KIND$]+1
650 NEXT I
660 FOR K$=NREF[ALL]; PRINT K$,":",NREF[K$],"  ",; NEXT K$
670 PRINT ""
680 REM ============== 2. the rate table is loaded on first use: a statement
690 REM that meets a rate not yet loaded is simply run again (65001)
700 DEF FNRATE(CUR$)
710 LOADS=LOADS+1
720 IF RATES$="" THEN { RATES$="EUR0.9235USD1.0000GBP0.7891"; RETURN 0 }
730 P=POS(CUR$=RATES$)
740 RETURN NUM(MID(RATES$,P+3,6))
750 FNEND
760 SETERR 65001
770 EUR=CA[0]/FNRATE("USD")*FNRATE("EUR")
780 SETERR OFF
790 GBP=CA[0]*FNRATE("GBP")
800 PRINT "Accepted total ",STR(CA[0]:"#,##0.00")," = EUR ",STR(EUR:"#,##0.00")," = GBP ",STR(GBP:"#,##0.00")," (rate calls:",LOADS,")"
810 REM ============== 3. optional statistics: a failing statement is skipped
820 PRINT ""
830 PRINT "AVERAGE PER CLASS"
840 SETERR 65002
850 FOR C=0 TO 6
860 AV=0; AV=CA[C]/CC[C]
870 IF CC[C]=0 THEN PRINT PAD(CN$[C],20),"       n/a (error",ERR,", skipped)" ELSE PRINT PAD(CN$[C],20),STR(AV:"-##,##0.00")
880 NEXT C
890 SETERR OFF
900 REM ============== 4. export: host commands with an ERR= branch
910 PRINT ""
920 DIR$="/"
930 INVOKE "test -d "+DIR$,ERR=1700
940 PRINT "Export directory ",DIR$," found"
950 DIR$="/no-such-dir/oru-export"
960 INVOKE "test -d "+DIR$,ERR=1700
970 PRINT "not reached"
980 REM ============== 5. the audit handler itself fails: not caught again
990 PRINT ""
1000 SETERR 1800
1010 CHECK=NUM("total:"+STR(CA[0]))
1020 PRINT "not reached"
1030 END
1100 REM print one record's line and count it in its class
1110 CC[C]=CC[C]+1
1120 IF C<>2 AND C<>1 THEN CA[C]=CA[C]+AMT
1130 S$=CN$[C]; IF NOTE$>"" THEN S$=S$+" ("+NOTE$+")"
1140 PRINT STR(I:"#0")," ",PAD(ACCT$,8),
1150 IF C=1 OR C=2 THEN PRINT PAD("",26),S$; RETURN
1160 PRINT STR(AMT:"-###,##0.00"),STR(QTY:"###0"),STR(UP:"-#,###,##0.00"),"  ",S$
1170 RETURN
1200 REM account number not numeric: rejected, the amount still shown
1210 C=3; NOTE$="error "+STR(ERR); AMT=NUM(MID(R$,7,10)); QTY=NUM(MID(R$,17,4)); UP=AMT/QTY
1220 GOSUB 1100; GOTO 400
1300 REM a field beyond the end of the record
1310 C=2; NOTE$="error "+STR(ERR)+", length "+STR(LEN(R$)); GOSUB 1100; GOTO 400
1400 REM amount not a number
1410 C=1; NOTE$="'"+STP(AMT$,"B")+"', error "+STR(ERR); GOSUB 1100; GOTO 400
1500 REM quantity missing: one is assumed
1510 C=4; QTY=1; NOTE$="quantity blank, 1 assumed"; GOTO 340
1600 REM division by a zero quantity: the line counts as one unit, retried
1610 C=5; NOTE$="error "+STR(ERR)+", quantity set to 1"; QTY=1
1620 RETRY
1700 REM the host command failed
1710 PRINT "Export directory ",DIR$," missing: error",ERR,", exit status",RET-256
1720 GOTO 980
1800 PRINT "Audit handler: error",ERR," converting the check total"
1810 AV=CA[6]/CC[6]; PRINT "Average amount held for review:",AV
1820 PRINT "not reached either"
1900 REM the count field is unreadable: a letter l typed for a one is
1910 REM repaired once and the conversion retried; a second failure gives up
1920 TRIES=TRIES+1
1930 PRINT "Trailer count '",MID(TRL$,9,4),"' unreadable, error",ERR
1940 IF TRIES>1 THEN CNT=-1; GOTO 480
1950 TRL$=SUB(TRL$,"l","1"); GOTO 470
2000 PRINT "Trailer total unreadable, error",ERR; TOT=-1; GOTO 490
2100 PRINT "Record",I," reference ",RF$[I]," has no number: error",ERR
2110 GOTO 650
RUN
PRINT "Console: ERR is",ERR
