REM Without the installation's mirror switch a definition file is not even
REM opened: no channel gets a duplicate from it.  Program links still work.
KEYED "defs","[1:1:80]",0,-300
SERIAL "a"; SERIAL "b"
OPEN (9)"defs"; WRITE (9)"/","b",""; CLOSE (9)
REPEAT DATA FILE "defs"
OPEN LOCK (1)"a"; WRITE (1)"one"
REM channel 63 stays closed
PRINT FID(63)
OPEN LOCK (2)"b"; REPEAT DATA (1),(2); WRITE (1)"two"; CLOSE (1); CLOSE (2)
OPEN (2)"b"; READ (2)X$; PRINT "b holds ",X$; READ (2)X$
