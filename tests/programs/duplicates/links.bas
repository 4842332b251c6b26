REM REPEAT DATA links a channel to a duplicate that repeats its WRITE,
REM INSERT, UPDATE, REMOVE and PRINT; links chain, never loop, and go with
REM a CLOSE of either end.
10 REPEAT DATA (1),(2); REPEAT DATA (C),END
20 REPEAT DATA ERRH "dupl_err"; REPEAT DATA ERRH ""
30 REPEAT DATA FILE "defs"+X$
40 REPEAT; UNTIL 1
50 REPEAT DATA (1),END,ERR=100; REPEAT DATA FILE "",ERR=100; REPEAT DATA ERRH P$,ERR=100
LIST
DELETE
SERIAL "a"; SERIAL "b"; SERIAL "c"
OPEN LOCK (1)"a"; OPEN LOCK (2)"b"; OPEN LOCK (3)"c"
WRITE (1)"zero"
REPEAT DATA (1),(2)
REPEAT DATA (2),(3)
WRITE (1)"one"
PRINT (1)"two"
REM 3 follows 2 follows 1: linking 3 to 1 or a channel to itself would loop
REPEAT DATA (3),(1)
REPEAT DATA (2),(2)
REPEAT DATA (4),(1)
REPEAT DATA (3),END
REPEAT DATA (2),END
WRITE (1)"three"
REM a closed duplicate takes its link with it
CLOSE (2)
WRITE (1)"four"
CLOSE (1); CLOSE (3)
10 OPEN (1)"a"; OPEN (2)"b"; OPEN (3)"c"
20 FOR C=1 TO 3
30 PRINT "channel",C,":",
40 READ (C,END=70)A$
50 PRINT " ",A$,
60 GOTO 40
70 PRINT ""; NEXT C
80 CLOSE (1); CLOSE (2); CLOSE (3)
RUN
DELETE
REM keyed records: WRITE, INSERT, UPDATE and REMOVE all repeat
DIRECT "cust",6,0,30; DIRECT "mirror",6,0,30
10 OPEN (1)"cust"; OPEN (2)"mirror"
20 REPEAT DATA (1),(2)
30 WRITE (1,KEY="C1")"Smith"; WRITE (1,KEY="C2")"Jones"; INSERT (1,KEY="C3")"Brown"
40 UPDATE (1,KEY="C2")"Jones & Co"; REMOVE (1,KEY="C1")
50 INSERT (1,KEY="C3",DOM=60)"again"
55 PRINT "a duplicate INSERT went through"
60 FOR C=1 TO 2
70 READ (C,KEY="",DOM=80)
80 K$=KEY(C,END=110); READ (C)A$; PRINT C,":",K$,"=",A$
100 GOTO 80
110 NEXT C
120 CLOSE (1); CLOSE (2)
RUN
