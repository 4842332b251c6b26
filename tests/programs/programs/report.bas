10 REM Quarterly sales report: nested loops, SWITCH/CASE grading, padding.
20 REM Totals and averages were checked by hand and with python3's decimal
30 REM module (half-up rounding of the printed averages).
40 PRECISION 2
50 REGIONS$="North,South,East,West,"
60 DIM S[1:4,1:4],QT[1:4]
70 S[1,1]=120.5; S[1,2]=98.25; S[1,3]=143; S[1,4]=110.75
80 S[2,1]=87; S[2,2]=91.5; S[2,3]=79.25; S[2,4]=102
90 S[3,1]=150; S[3,2]=162.75; S[3,3]=171.5; S[3,4]=149.25
100 S[4,1]=45.5; S[4,2]=60; S[4,3]=52.25; S[4,4]=38
110 PRINT PAD("SALES BY REGION AND QUARTER",46)
120 PRINT PAD("",46,"=")
130 H$=PAD("Region",10)
140 FOR Q=1 TO 4; H$=H$+PAD("Q"+STR(Q),8,"C"); NEXT Q
150 PRINT H$+"   Total"
160 R=0
170 FOR NAME$=REGIONS$
180 R=R+1; LINE$=PAD(NAME$,10); T=0
190 FOR Q=1 TO 4
200 LINE$=LINE$+STR(S[R,Q]:"####0.00"); T=T+S[R,Q]
210 QT[Q]=QT[Q]+S[R,Q]
220 NEXT Q
230 TOT[NAME$]=T
240 PRINT LINE$+STR(T:"#####0.00")
250 NEXT NAME$
260 PRINT PAD("",46,"-")
270 LINE$=PAD("All",10); GRAND=0
280 FOR Q=1 TO 4; LINE$=LINE$+STR(QT[Q]:"####0.00"); GRAND=GRAND+QT[Q]; NEXT Q
290 PRINT LINE$+STR(GRAND:"#####0.00")
300 PRINT ""
310 PRINT "GRADES (average per quarter)"
320 FOR K$=TOT[ALL]
330 AVG=TOT[K$]/4
340 SWITCH 1
350 CASE AVG>=150
360 G$="A"; NOTE$="excellent"; BREAK
370 CASE AVG>=100
380 G$="B"; NOTE$="good"; BREAK
390 CASE AVG>=75
400 G$="C"; NOTE$="fair"
410 IF AVG<80 THEN NOTE$="fair, falling short"
420 BREAK
430 DEFAULT
440 G$="D"; NOTE$="review"
450 END SWITCH
460 PRINT PAD(K$,8),STR(AVG:"##0.00")," ",G$," ",NOTE$
470 NEXT K$
480 PRINT ""
490 REM a bar chart: one "*" per 25 units, nested loops
500 R=0
510 FOR NAME$=REGIONS$
520 R=R+1; B$=""
530 FOR Q=1 TO 4
540 FOR STARS=1 TO INT(S[R,Q]/25); B$=B$+"*"; NEXT STARS
550 IF Q<4 THEN B$=B$+"|"
560 NEXT Q
570 PRINT PAD(NAME$,6),B$
580 NEXT NAME$
590 REM best quarter per region, with ties reported
600 PRINT ""
610 R=0
620 FOR NAME$=REGIONS$
630 R=R+1; BEST=1
640 FOR Q=2 TO 4; IF S[R,Q]>S[R,BEST] THEN BEST=Q
650 NEXT Q
660 SWITCH BEST
670 CASE 1
680 CASE 2
690 W$="first half"; BREAK
700 DEFAULT
710 W$="second half"
720 END SWITCH
730 PRINT NAME$," peaks in Q",STR(BEST)," (",W$,")"
740 NEXT NAME$
750 END
RUN
