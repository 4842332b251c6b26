10 PRINT 'CS',"Fruit:",@(30,0),"Colour:",
20 LIST_BOX 101,8,0,12,4
30 LIST_BOX 101,LOAD,"apple,banana,cherry,date,elder,fig,grape,"
40 DROP_BOX 102,38,0,12,5
50 DROP_BOX 102,LOAD,"red,green,blue,"
60 LIST_BOX 101,GOTO
70 INPUT @(0,10),X$
80 LIST_BOX 101,READ,S$; PRINT @(0,12),"list: ",S$," ctl ",CTL
90 DROP_BOX 102,GOTO
100 INPUT @(0,14),X$
110 DROP_BOX 102,READ,D$; PRINT @(0,15),"drop: ",D$," ctl ",CTL
120 LIST_BOX 101,GOTO
130 INPUT @(0,16),X$
140 LIST_BOX 101,READ,S$; LIST_BOX 101,READ,N; PRINT @(0,17),"list again: ",S$," item ",N
150 END
