10 PRINT 'CS',@(0,0),"line zero",@(0,1),"line one abcdef",@(0,2),"line two",@(0,3),"line three",@(0,4),"line four xyz",
20 PRINT @(5,1),'DC','DC',@(5,4),'IC','IC',"++",
30 PRINT @(0,2),'LD',@(0,0),'LI',"inserted",
40 PRINT @(6,1),'CL',@(70,5),'BR',"rev",'ER',
50 PRINT @(3,3),'CE',@(0,6),"after",
RUN
