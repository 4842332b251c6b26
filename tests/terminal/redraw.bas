10 PRINT 'CS','F2',"green base text",'F7',@(0,3),'BR',"reversed",'ER',
20 PRINT WDW(10,2,30,6,1,"Window"),'CS',"inside the window",
30 LIST_BOX 101,1,2,12,2
40 LIST_BOX 101,LOAD,"first,sec"+"ond,"
50 INPUT @(14,2),"k"+"1 ",X$
60 PRINT 'RS',
70 INPUT @(14,2),"k"+"2 ",X$
80 PRINT 'DO',
90 LIST_BOX 101,READ,X$,ERR=110
100 PRINT "still there"; END
110 PRINT DRP(1),@(0,21),"controls gone:",ERR,
120 END
