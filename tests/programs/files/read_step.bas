REM READ and FIND with a positioning step (DIR=) on indexed and binary
REM files: the record index moves by step - 1 before the read; a step that
REM goes below the first record reads record 0.  Other directives refuse it.
10 ERASE "rs_ix",ERR=20
20 INDEXED "rs_ix",6,4
30 OPEN (1)"rs_ix"; FOR I=0 TO 5; WRITE (1,IND=I)STR(I); NEXT I
40 READ (1,IND=0)A$; READ (1,DIR=3)B$; READ (1)C$; PRINT "indexed:",A$,B$,C$
50 READ (1,IND=1)A$; READ (1,DIR=-5)B$; READ (1)C$; PRINT "below:",A$,B$,C$
60 FIND (1,IND=0)A$; FIND (1,DIR=2)B$; PRINT "find:",A$,B$,IND(1)
70 READ (1,IND=0)A$; READ (1,DIR=1)B$; READ (1,DIR=0)C$; PRINT "one, zero:",A$,B$,C$
80 WRITE (1,DIR=2,ERR=90)"x"
90 PRINT "write:",ERR
100 CLOSE (1); ERASE "rs_ix"
110 INVOKE "printf '0123456789' >rs_b.bin"
120 OPEN (1,BIN=2)"rs_b.bin"
130 READ (1)A$; READ (1,DIR=3)B$; READ (1)C$; PRINT "binary:",A$," ",B$," ",C$
140 READ (1,IND=1)A$; READ (1,DIR=-9)B$; PRINT "binary below:",A$," ",B$
150 CLOSE (1); ERASE "rs_b.bin"
RUN
