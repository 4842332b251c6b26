REM REC= on OPEN or on READ puts its name before the name of every variable
REM READ fills: REC="CUST" fills CUST.A$ for A$, REC=R$ the fields of the
REM record R$; A$ and B$ themselves stay as they were.  REC=/ reads the
REM names as they stand again.  Whole arrays and ranges read the prefixed
REM array's elements.
SERIAL "rp.tmp"
OPEN LOCK (1)"rp.tmp"
WRITE (1)"a","b"
WRITE (1)"c","12"
CLOSE (1)
A$="own"
OPEN (1,REC="CUST")"rp.tmp"
READ (1)A$,B$
PRINT A$,"|",CUST.A$,"|",CUST.B$
DIM R$:IOLIST A$,N
READ (1,REC=R$)A$,N
PRINT A$,"|",R$.A$,"|",R$.N+1
CLOSE (1)
OPEN (1)"rp.tmp"
READ (1,IND=1,REC="P")X$,N
PRINT P.X$,P.N
READ (1,IND=0,REC=/)X$
PRINT X$
DIM Q.A$[1]
READ (1,IND=0,REC="Q")A$[ALL]
PRINT Q.A$[0],Q.A$[1]
READ (1,IND=1,REC="Q")A${1:0}
PRINT Q.A$[0],Q.A$[1]
REM A prefix of 127 characters is allowed, also with ".A$" after it (a
REM field's variable may be named beyond the 127 characters of a name).
READ (1,IND=0,REC=DIM(127,"Q"),ERR=*NEXT)A$
PRINT ERR
CLOSE (1)
ERASE "rp.tmp"
