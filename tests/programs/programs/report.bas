10 REM Annual sales report: quarterly figures per representative, grouped
20 REM by region, with page headings, region subtotals, commissions,
30 REM targets, quarter-on-quarter trends and a bar chart.
40 REM The totals, percentages and commissions were worked out separately
50 REM with python3's decimal module (half-up rounding, as printed).
60 PRECISION 2
70 NR=10
80 DIM REP$[1:NR],RG$[1:NR],S[1:NR,1:4],YT[1:NR],RK[1:NR]
90 REP$[1]="Adams"; RG$[1]="N"; S[1,1]=4200.5; S[1,2]=3980; S[1,3]=5120.75; S[1,4]=4875.25
100 REP$[2]="Baker"; RG$[2]="S"; S[2,1]=3100; S[2,2]=3350.4; S[2,3]=2980.6; S[2,4]=3605
110 REP$[3]="Chen"; RG$[3]="E"; S[3,1]=6100.25; S[3,2]=5890; S[3,3]=6420.8; S[3,4]=7015.45
120 REP$[4]="Diaz"; RG$[4]="W"; S[4,1]=1850; S[4,2]=2100.5; S[4,3]=1975.25; S[4,4]=2240
130 REP$[5]="Evans"; RG$[5]="N"; S[5,1]=2950.75; S[5,2]=3105.25; S[5,3]=3300; S[5,4]=2890.5
140 REP$[6]="Fischer"; RG$[6]="E"; S[6,1]=4100; S[6,2]=4350; S[6,3]=3980.5; S[6,4]=4410.75
150 REP$[7]="Garcia"; RG$[7]="S"; S[7,1]=5200.1; S[7,2]=4980.9; S[7,3]=5450; S[7,4]=5610.3
160 REP$[8]="Hughes"; RG$[8]="W"; S[8,1]=3020; S[8,2]=2875.6; S[8,3]=3140.4; S[8,4]=3300
170 REP$[9]="Ito"; RG$[9]="E"; S[9,1]=2500; S[9,2]=2650.25; S[9,3]=2720.75; S[9,4]=2805
180 REP$[10]="Jones"; RG$[10]="N"; S[10,1]=3750.4; S[10,2]=3820.6; S[10,3]=3905; S[10,4]=4100
190 REGIONS$="N,S,E,W,"
200 DIM QT[1:4],RQ[1:4,1:4]
210 REM commission: 5% of the first 10,000, 7.5% of the next 15,000, 10% above
220 DEF FNCOM(T)
230 IF T<=10000 THEN RETURN T*5/100
240 IF T<=25000 THEN RETURN 500+(T-10000)*7.5/100
250 RETURN 1625+(T-25000)*10/100
260 FNEND
270 DEF FNM$(A)=STR(A:"###,##0.00")
280 DEF FNPCT$(A,B)=STR(A*100/B:"-###0.0")+"%"
290 PAGESIZE=14; PG=0; LN=PAGESIZE
300 TITLE$="ANNUAL SALES BY REGION"
310 REM ================= detail: one line per representative, by region
320 RI=0
330 FOR RC$=REGIONS$
340 RI=RI+1; GOSUB 2000
350 IF LN+3>PAGESIZE THEN GOSUB 3000
360 PRINT "Region ",RN$," (manager ",MG$,")"; LN=LN+1
370 DIM RT[1:4]; CNT=0
380 FOR I=1 TO NR
390 IF RG$[I]<>RC$ THEN CONTINUE
400 IF LN>=PAGESIZE THEN GOSUB 3000
410 L$="  "+PAD(REP$[I],10); T=0
420 FOR Q=1 TO 4
430 L$=L$+STR(S[I,Q]:"###,##0.00"); T=T+S[I,Q]
440 RT[Q]=RT[Q]+S[I,Q]; RQ[RI,Q]=RQ[RI,Q]+S[I,Q]
450 NEXT Q
460 YT[I]=T; CNT=CNT+1
470 PRINT L$,STR(T:"####,##0.00"); LN=LN+1
480 NEXT I
490 L$="  "+PAD(STR(CNT)+" reps",10); T=0
500 FOR Q=1 TO 4; L$=L$+STR(RT[Q]:"###,##0.00"); T=T+RT[Q]; QT[Q]=QT[Q]+RT[Q]; NEXT Q
510 PRINT "  ",PAD("",62,"-")
520 PRINT L$,STR(T:"####,##0.00")
530 PRINT "  target",FNM$(TG)," reached ",FNPCT$(T,TG)," -> ",FNGRADE$(T*100/TG)
540 RTOT[RC$]=T; LN=LN+4
550 NEXT RC$
560 PRINT PAD("",64,"=")
570 L$=PAD("All regions",12); GRAND=0
580 FOR Q=1 TO 4; L$=L$+STR(QT[Q]:"###,##0.00"); GRAND=GRAND+QT[Q]; NEXT Q
590 PRINT L$,STR(GRAND:"####,##0.00")
600 PRINT PAD("Share",12),
610 FOR Q=1 TO 4; PRINT PAD(FNPCT$(QT[Q],GRAND),10,"L"),; NEXT Q
620 PRINT ""
630 REM ================= ranking by yearly total (exchange sort until clean)
640 FOR I=1 TO NR; RK[I]=I; NEXT I
650 REPEAT
660 SWAPS=0
670 FOR I=1 TO NR-1
680 IF YT[RK[I]]<YT[RK[I+1]] THEN { X=RK[I]; RK[I]=RK[I+1]; RK[I+1]=X; SWAPS=SWAPS+1 }
690 NEXT I
700 PASSES=PASSES+1
710 UNTIL SWAPS=0
720 PRINT ""
730 PRINT "RANKING AND COMMISSION (sorted in ",STR(PASSES)," passes)"
740 PRINT " #  Rep         Region  Year total   Commission  Rate"
750 TCOM=0
760 FOR I=1 TO NR
770 J=RK[I]; RC$=RG$[J]; GOSUB 2000
780 C=FNCOM(YT[J]); TCOM=TCOM+C
790 PRINT STR(I:"#0"),"  ",PAD(REP$[J],12),PAD(RN$,8),FNM$(YT[J]),"   ",FNM$(C),STR(C*100/YT[J]:"##0.00"),"%"
800 NEXT I
810 PRINT PAD("Total commission",31),FNM$(GRAND),"   ",FNM$(TCOM)
820 REM reps above the average, counted with a WHILE loop
830 AVG=GRAND/NR; I=0; ABOVE=0
840 WHILE I<NR
850 I=I+1
860 IF YT[RK[I]]>AVG THEN ABOVE=ABOVE+1 ELSE BREAK
870 WEND
880 PRINT "Average per rep ",FNM$(AVG),"; ",STR(ABOVE)," reps above it"
890 REM ================= quarter-on-quarter trend per region
900 PRINT ""
910 PRINT "TRENDS (change on the quarter before)"
920 RI=0
930 FOR RC$=REGIONS$
940 RI=RI+1; GOSUB 2000
950 L$=PAD(RN$,8)
960 FOR Q=2 TO 4
970 CH=(RQ[RI,Q]-RQ[RI,Q-1])*100/RQ[RI,Q-1]
980 SWITCH 1
990 CASE CH>=10
1000 W$="++"; BREAK
1010 CASE CH>=1
1020 W$="+ "; BREAK
1030 CASE CH>-1
1040 W$="= "; BREAK
1050 DEFAULT
1060 W$="- "
1070 END SWITCH
1080 L$=L$+"  Q"+STR(Q)+STR(CH:"-###0.00")+"% "+W$
1090 NEXT Q
1100 PRINT L$
1110 NEXT RC$
1120 REM ================= bar chart: one "#" per 2,000 of yearly sales
1130 PRINT ""
1140 PRINT "YEARLY SALES, one # per 2,000"
1150 FOR I=1 TO NR
1160 B$=""
1170 FOR K=1 TO INT(YT[I]/2000); B$=B$+"#"; NEXT K
1180 IF FPT(YT[I]/2000)>=.5 THEN B$=B$+"+"
1190 PRINT PAD(REP$[I],8),"|",PAD(B$,14),"|",STR(YT[I]:"##,##0")
1200 NEXT I
1210 REM ================= region shares of each quarter, and the best rep
1220 PRINT ""
1230 PRINT "REGION SHARE OF EACH QUARTER"
1240 PRINT PAD("",8),
1250 FOR Q=1 TO 4; ON Q-1 GOSUB 5000,5010,5020,5030; PRINT PAD(QN$,10,"L"),; NEXT Q
1260 PRINT ""
1270 RI=0
1280 FOR RC$=REGIONS$
1290 RI=RI+1; GOSUB 2000; PRINT PAD(RN$,8),
1300 FOR Q=1 TO 4; PRINT PAD(FNPCT$(RQ[RI,Q],QT[Q]),10,"L"),; NEXT Q
1310 PRINT ""
1320 NEXT RC$
1330 FOR Q=1 TO 4
1340 ON Q-1 GOSUB 5000,5010,5020,5030
1350 TOP=0; W$=""
1360 FOR I=1 TO NR; IF S[I,Q]>TOP THEN TOP=S[I,Q]
1370 NEXT I
1380 FOR I=1 TO NR
1390 IF S[I,Q]=TOP THEN { IF W$>"" THEN W$=W$+" and "
1400 W$=W$+REP$[I] }
1410 NEXT I
1420 PRINT "Best in ",QN$,": ",W$," with ",STR(TOP:"#,##0.00")
1430 NEXT Q
1440 END
2000 REM region code RC$ -> name RN$, manager MG$ and yearly target TG
2010 SWITCH RC$
2020 CASE "N"
2030 RN$="North"; MG$="Olsen"; TG=45000; BREAK
2040 CASE "S"
2050 RN$="South"; MG$="Perez"; TG=35000; BREAK
2060 CASE "E"
2070 RN$="East"; MG$="Quinn"; TG=60000; BREAK
2080 CASE "W"
2090 RN$="West"; MG$="Rossi"; TG=21000; BREAK
2100 DEFAULT
2110 RN$="?"; MG$="?"; TG=1
2120 END SWITCH
2130 RETURN
3000 REM page heading
3010 PG=PG+1
3020 IF PG>1 THEN PRINT ""
3030 PRINT PAD(TITLE$,56),"Page ",STR(PG)
3040 PRINT PAD("Rep",12),
3050 FOR Q=1 TO 4; PRINT PAD("Q"+STR(Q),10,"L"),; NEXT Q
3060 PRINT "       Year"
3070 PRINT PAD("",64,"-")
3080 LN=3
3090 RETURN
5000 QN$="Jan-Mar"; RETURN
5010 QN$="Apr-Jun"; RETURN
5020 QN$="Jul-Sep"; RETURN
5030 QN$="Oct-Dec"; RETURN
6000 REM grade of a percentage of target
6010 DEF FNGRADE$(P)
6020 SWITCH 1
6030 CASE P>=110
6040 RETURN "A, well above target"
6050 CASE P>=100
6060 RETURN "B, on target"
6070 CASE P>=90
6080 RETURN "C, close"
6090 DEFAULT
6100 RETURN "D, below target"
6110 END SWITCH
6120 FNEND
RUN
