REM The system journal in a plain file: the records of the journal, of a
REM journaled indexed file and of a journaled EFF file, SWAP refused, OPEN of
REM a journaled file without a journal refused.
10 INVOKE ": > jf"
20 SET_JOURNAL OPEN "jf"
30 SET_JOURNAL WRITE "hello"
40 SETERR 45; SET_JOURNAL SWAP
45 PRINT "SWAP on a plain file: error ",ERR; SETERR 0
50 SET_JOURNAL WRITE "still written after SWAP"
60 INDEXED "ix",10,5
70 SET_JOURNAL ENABLE "ix"
80 OPEN (1)"ix"; WRITE (1,IND=0)"abc"; WRITE (1,IND=0)"xyz"; CLOSE (1)
90 KEYED "k",4,0,40,OPT="1"; SET_JOURNAL ENABLE "k"
100 OPEN (2)"k"; WRITE (2,KEY="A")"aa"; WRITE (2,KEY="A")"bb"; REMOVE (2,KEY="A"); PURGE (2); CLOSE (2)
110 SETERR 115; SET_JOURNAL OPEN "jf"
115 PRINT "second OPEN: error ",ERR; SETERR 0
120 SET_JOURNAL CLOSE
130 SETERR 135; OPEN (1)"ix"; PRINT "opened"
135 PRINT "journaled file without a journal: error ",ERR; SETERR 0
140 SET_JOURNAL DISABLE "ix"; OPEN (1)"ix"; PRINT "opened after DISABLE"; CLOSE (1)
150 SETERR 155; SET_JOURNAL ENABLE /
155 PRINT "ENABLE / without a journal: error ",ERR; SETERR 0
160 SET_JOURNAL OPEN "jf"; SET_JOURNAL DISABLE "k"; ERASE "k"; SET_JOURNAL CLOSE
170 INVOKE "python3 jdump.py jf"
RUN
