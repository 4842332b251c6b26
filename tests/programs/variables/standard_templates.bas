REM A template "+NAME" is the standard template of that name from the
REM library's "_kest/kestdim.txt" (the name in any case; a definition may go
REM on over lines that end with ","); a name the file does not have is
REM error 11 and the console goes on.
DIM A$:"+address"
A$.NAME$="Acme"; A$.ZIP$="8000"; A$.CITY$="Zurich"
PRINT LEN(A$),"[",A$(61,8),"][",A$(69),"]"
PRINT XFA(A$,"CITY","LABEL")
DIM M$:"+MONEY"
M$.AMOUNT=12.5; M$.CURRENCY$="CHF"; PRINT "[",M$,"]"
DIM X$:"+NOSUCH"
PRINT "console goes on"
