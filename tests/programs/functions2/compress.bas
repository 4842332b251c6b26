A$="the quick brown fox jumps over the lazy dog; "
B$=A$+A$+A$+A$+A$+A$+A$+A$
C$=CMP(B$)
PRINT LEN(B$),LEN(C$),ASC(C$)
PRINT UCP(C$)=B$
PRINT LEN(CMP("")),LEN(UCP(""))
PRINT UCP(CMP("x"))
D$=$00$+C$(2)
PRINT UCP(D$)=B$
PRINT UCP("garbage")
