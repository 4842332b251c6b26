REM Appending raises the record count in the header at every WRITE: with
REM the file held by one channel (OPEN LOCK) it is written at once, with
REM shared channels under the header lock, read again first, never lowered.
INDEXED "held.ind",0,10
OPEN LOCK (1)"held.ind"
WRITE (1,IND=0)"0"; WRITE (1,IND=1)"1"; WRITE (1,IND=2)"2"
INVOKE "od -An -j14 -N4 -tu1 held.ind"
WRITE (1,IND=6)"six"
INVOKE "od -An -j14 -N4 -tu1 held.ind"
OPEN (2)"held.ind"
READ RECORD (1,IND=4)A$
PRINT "gap record: ",LEN(A$)," bytes, ",POS(CHR(0)<>A$)
WRITE (1,IND=3)"three"
PRINT "count after a write inside it: ",FIN(1,"NUMREC")
CLOSE (1)
INDEXED "shared.ind",0,10
OPEN (1)"shared.ind"
OPEN (2)"shared.ind"
WRITE (1,IND=0)"a"; WRITE (1,IND=1)"b"
WRITE (2,IND=5)"f"
WRITE (1,IND=2)"c"
PRINT "shared: ",FIN(1,"NUMREC")," ",FIN(2,"NUMREC")
INVOKE "od -An -j14 -N4 -tu1 shared.ind"
CLOSE (1); CLOSE (2)
