10 PRINT 'CS',
20 FOR I=0 TO 20; PRINT @(0,I),"base line ",STR(I:"00")," ................................................",; NEXT I
30 PRINT WDW(2,2,24,6,1,"one"),'CS',"in one"
40 PRINT WDW(10,4,24,6,2,"two"),'CS',"in two"
50 PRINT WDW(18,6,24,6,3,"three"),'CS',"in three"
60 PRINT FMSG(-1,0,20),FMSG("slot zero"),FMSG("slot one",1),
70 PRINT 'WC',"two on top"
80 INPUT "k1",X$
90 PRINT 'WR',"three back"
100 PRINT 'WS',"swapped to two"
110 INPUT "k2",X$
120 PRINT 'SR',
130 PRINT FMSG("after reset",1),
140 PRINT @(0,18),"PRINT STR(X), 'CS' and X$",; SYSTEM_HELP FOR 2,18,E$,P$; SYSTEM_HELP FOR 15,18,F$,Q$; SYSTEM_HELP FOR 9,18,G$,R$; SYSTEM_HELP FOR 21,18,H$,S$
150 PRINT @(0,19),E$,"|",P$,"|",F$,"|",Q$,@(0,20),G$,"|",R$,"|",H$,"|",S$,
160 PRINT (0,ERR=165)WDW(60,0,2,2,9,"x"),
165 PRINT @(0,21),"too small: error ",ERR,
170 MNEMONIC (0)'*W',"1"
180 PRINT WDW(60,0,2,2,9,"x"),"ab",DRP(9),
190 PRINT @(0,22),; INPUT "k3",X$
200 END
