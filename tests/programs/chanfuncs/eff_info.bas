REM File information of an EFF channel (FIB(, FID(, FIN( without an item),
REM the console's NAME, the pipe's host descriptor and TEXTUSEDHEIGHT off
REM PDF channels.
KEYED "ei","[1:1:4]",0,50,OPT="1"
OPEN (1)"ei"; WRITE (1)"a"; WRITE (1)"bb"
X$=FIB(1); PRINT LEN(X$)," ",HTA(X$(1,5))," ",X$(10,1)," ",HTA(X$(15,2))
PRINT FID(1)=X$,FIN(1)=X$
SET_PARAM 'FF'=2; PRINT HTA(FID(1)); SET_PARAM 'FF'=0
PRINT FIN(1,"TEXTUSEDHEIGHT")," ",FIN(1,"BYTESLEFT")
CLOSE (1); ERASE "ei"
PRINT FIN(0,"NAME")=FID(0)
OPEN (2)"|cat"; PRINT "pipe handle:",FIN(2,"HANDLE"); CLOSE (2)
