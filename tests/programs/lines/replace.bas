10 X=1
20 PRINT "X is",X
30 A$="[x]"
40 PRINT A$
[X]=[Y]
RUN
{x]}={y]}
*[X]=[Total]
10 [Y]=[Total]
RUN
LIST
