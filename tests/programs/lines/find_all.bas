10 PRINT "alpha"
20 LET X=1
30 PRINT "beta"; PRINT "Alpha"
40 REM alpha
*[alpha]
*[PRINT]
35 *[alpha]
SET_PARAM -'IC'
*[alpha]
*[ALPHA]
