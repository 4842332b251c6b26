REM The prefix file's record for a name: the new name, an OPT= text, and a
REM default I/O list that IOL=* takes when the file keeps none of its own.
REM A record without the third field leaves IOL=* error 84.
SERIAL "pi.tmp"
OPEN LOCK (1)"pi.tmp"
WRITE (1)"a","b"
CLOSE (1)
KEYED "pf.tmp",20,0,100
OPEN (1)"pf.tmp"
WRITE (1,KEY="WITHIOL")"pi.tmp","","A$,B$"
WRITE (1,KEY="PLAIN")"pi.tmp"
WRITE (1,KEY="BADIOL")"pi.tmp","","A$,,+"
CLOSE (1)
PREFIX FILE "pf.tmp"
OPEN (2,IOL=*)"WITHIOL"
READ (2)
PRINT A$,B$
PRINT FFN("pi.tmp")
CLOSE (2)
OPEN (2,IOL=*,ERR=*NEXT)"PLAIN"
PRINT ERR
OPEN (2)"PLAIN"
READ (2)X$
PRINT X$
CLOSE (2)
OPEN (2,IOL=*,ERR=*NEXT)"BADIOL"
PRINT ERR
REM The list is compiled only for an OPEN that asks for it: without IOL=*
REM the name opens, and FFN( finds it.
OPEN (2)"BADIOL"
PRINT FFN("BADIOL")
CLOSE (2)
PREFIX FILE ""
ERASE "pi.tmp"
ERASE "pf.tmp"
