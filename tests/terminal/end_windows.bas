10 PRINT 'CS',WDW(10,5,30,6,1,"w1"),"inside"
20 END
RUN
PRINT @(0,0),"AT"+"TOP"
