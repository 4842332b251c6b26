[x]
*[x]
10 PRINT "one"
[two]
*[two]
,10 [two]
[two]=[three]
LIST
[one
