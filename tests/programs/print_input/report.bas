10 REM A paginated report with headings and totals, printed to a file and read back
20 INVOKE "rm -f oru_pi_report.txt"
30 SERIAL "oru_pi_report.txt"
40 OPEN LOCK (2)"oru_pi_report.txt"
50 DIM NAME$[12],AMT[12]
60 FOR I=1 TO 12; NAME$[I]="Item "+STR(I); AMT[I]=I*12.5; NEXT I
70 LET PAGE=0,LINES=99,TOTAL=0,PAGETOT=0
80 FOR I=1 TO 12
90 IF LINES>=5 THEN GOSUB 500
100 PRINT (2)NAME$[I],@(12),AMT[I]:"###,##0.00"
110 LET LINES=LINES+1,PAGETOT=PAGETOT+AMT[I],TOTAL=TOTAL+AMT[I]
120 NEXT I
130 GOSUB 600
140 PRINT (2)"Grand total",@(12),TOTAL:"###,##0.00"
150 CLOSE (2)
160 OPEN (2)"oru_pi_report.txt"
170 READ (2,END=190)L$
175 PRINT L$
180 GOTO 170
190 CLOSE (2); INVOKE "rm -f oru_pi_report.txt"; END
500 IF PAGE>0 THEN GOSUB 600
510 LET PAGE=PAGE+1,LINES=0,PAGETOT=0
520 PRINT (2)"Report page ",PAGE:"#0"
530 PRINT (2)"Name",@(12),"    Amount"
540 RETURN
600 PRINT (2)@(12),"----------"
610 PRINT (2)"Page total",@(12),PAGETOT:"###,##0.00"
620 RETURN
RUN
