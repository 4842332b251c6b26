REM The data dictionary (DICT LOAD) gives variables created under the names
REM of its elements the access bits they need; SET_MASK decides which bits
REM the console and programs hold.  Bit n of a mask is $8000$ shifted n-1.
REM Dictionary "dd": one table of two elements, SECRET (bit 2 to read and to
REM assign) and PLAIN (none), referenced in name order.
INVOKE "printf '\000\001\000\002\000\000\100\000\100\000\000\007\000\000\000\000\000\015\006SECRET\005PLAIN\000\002\000\000\000\002\000\000\000\001' > dd"
DICT LOAD "dd"
SET_MASK READ M$; PRINT "the console holds ",HTA(M$)
SECRET=5; PLAIN=6; PRINT SECRET+PLAIN
SET_MASK OFF 2
SET_MASK READ M$; PRINT "after OFF 2: ",HTA(M$)
PRINT SECRET
PRINT PLAIN
SECRET2=1; PRINT "a name the dictionary lacks: ",SECRET2
REM At the console ON can only give back bits the global mask still holds.
SET_MASK ON 2
SET_MASK ON 1,16; SET_MASK READ M$; PRINT HTA(M$)
REM The program mask: set in a program, bits 1 and 16 give $8001$; cleared
REM with the program lines.
10 SET_MASK PROGRAM OFF $FFFF$
20 SET_MASK PROGRAM ON 1,16
30 SET_MASK PROGRAM READ P$; PRINT "program mask ",HTA(P$)
40 SET_MASK PROGRAM ON 2,ERR=50
50 PRINT "a bit neither mask holds: error ",ERR
RUN
REM Bad operands: a string mask of the wrong length, a bit number out of
REM range, a form the directive does not know.
DELETE
10 SET_MASK ON "abc",ERR=20
20 PRINT "3-byte string: error ",ERR
30 SET_MASK ON 17,ERR=40
40 PRINT "bit 17: error ",ERR
50 SET_MASK CLEAR 1,ERR=60
60 PRINT "SET_MASK CLEAR: error ",ERR
RUN
REM DICT LOAD "" unloads: new variables need no bits; a missing file is
REM error 12, a truncated one 13 (and nothing stays loaded).
DICT LOAD ""
SECRETX=1; PRINT "unloaded ",SECRETX
DELETE
10 DICT LOAD "nofile",ERR=20
20 PRINT "missing file: error ",ERR
30 INVOKE "printf '\000\005\000' > bad"
40 DICT LOAD "bad",ERR=50
50 PRINT "truncated file: error ",ERR
RUN
