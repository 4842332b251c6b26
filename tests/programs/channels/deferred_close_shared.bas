SERIAL "dcs.tmp"
OPEN LOCK (9)"dcs.tmp"
WRITE (9)"one"
WRITE (9)"two"
WRITE (9)"three"
CLOSE (9)
SET_PARAM '+F'
OPEN (1)"dcs.tmp"
OPEN (2)"dcs.tmp"
CLOSE (1)
OPEN INPUT (3)"dcs.tmp"
READ (3)C$
CLOSE (3)
READ (2)A$
PRINT A$,"/",C$
CLOSE (2)
OPEN (4)"dcs.tmp"
OPEN (5)"dcs.tmp"
READ (4)A$,B$
CLOSE (4)
OPEN (6)"dcs.tmp"
CLOSE (6)
READ (5)A$
PRINT A$,"/",B$
CLOSE (5)
SET_PARAM '-F'
ERASE "dcs.tmp"
