10 PRINT "alpha"
20 LET X=1
30 PRINT "beta"; PRINT "Alpha"
40 REM alpha
[alpha]
[alpha]
[alpha]
{alpha}
35 [alpha]
[0010]
[LET X]
LIST
