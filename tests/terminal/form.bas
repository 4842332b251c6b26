10 PRINT 'CS',@(0,0),"Customer form",@(0,2),"Name:",@(0,3),"Zip:",@(0,4),"Phone:",
20 INPUT @(8,2),NAME$
30 INPUT @(8,3),ZIP$:"00000"
40 INPUT @(8,4),PHONE$
50 PRINT @(0,6),"Name=",NAME$,"|Zip=",ZIP$,"|Phone=",PHONE$,"|CTL=",CTL
RUN
