10 PRINT 'CS',@(5,2),"at column 5, line 2",@(70,0),"corner",
20 PRINT @(0,23),"bottom line",@(30,12),'BR',"reverse",'ER'," then plain",
30 PRINT @(10,5),"ten/five",'CH',"home",
40 PRINT @(0,15),"A long line that runs past the right margin of the eighty column screen and wraps",
50 PRINT @(0,20),
RUN
