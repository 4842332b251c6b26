10 PRINT 'CS',
20 FOR I=0 TO 19
30 PRINT @(0,I),"line ",STR(I:"00")," ",'BR',"reverse",'ER'," ",'F1',"red",'F7'," ",'B4',"on blue",'B0'," the rest of the line",
40 NEXT I
50 PRINT @(0,21),; INPUT "k1 ",X$
60 PRINT WDW(5,2,30,10,1,"Customers"),'CS',
70 FOR I=1 TO 10; PRINT "entry ",STR(I:"00")," wraps past the edge: abcdef"; NEXT I
80 PRINT 'F3',WDW(20,6,40,8,2,"Detail"),'CS',"detail window",'F7'
90 PRINT WDW(60,0,18,5),'BR','CS',"no frame, reversed",'ER',
100 PRINT GTO(2),"back in two"
110 INPUT "k2 ",X$
120 PRINT GTO(1),MVE(2,12),DRP(3),DRP(2),"one moved"
130 INPUT "k3 ",X$
140 PRINT DRP(1),
150 PRINT @(0,21),; INPUT "k4 ",X$
160 END
