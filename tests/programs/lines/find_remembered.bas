[]
10 PRINT "one"
20 PRINT "two"
30 PRINT "three"
[PRINT]
[]
[]
[]
*[]
,20 []
[tw]
[]
[]=[TW]
LIST
