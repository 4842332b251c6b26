10 REM The handler of the library takes the list boxes over.
20 H=NEW("TTYCTL"); DEFCTL OBJECT =H
30 PRINT 'CS',"Fruit:",@(30,0),"Colour:",
40 LIST_BOX 101,8,0,12,4
50 LIST_BOX 101,LOAD,"apple,banana,cherry,date,elder,fig,"
60 DROP_BOX 102,38,0,10,4
70 DROP_BOX 102,LOAD,"red,green,blue,"
80 LIST_BOX 101,WRITE,"cherry"
90 DROP_BOX 102,WRITE,2
100 INPUT @(0,10),"next? ",X$
110 LIST_BOX 101,WRITE,6
120 LIST_BOX 101,READ,S$; DROP_BOX 102,READ,D$
130 C=101; PRINT @(0,12),"list: ",S$," of ",C'COUNT," top ",C'TOP,"; drop: ",D$
140 LIST_BOX 101,LOAD,1,/
150 INPUT @(0,14),"remove? ",X$
160 LIST_BOX 101,REMOVE
170 PRINT @(0,15),"done"
180 END
