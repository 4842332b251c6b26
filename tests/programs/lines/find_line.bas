10 PRINT "alpha"
20 LET X=1
30 PRINT "beta"
,20 [X]
,20 [alpha]
,25 [X]
,10 [alpha]=[omega]
LIST
