REM A journal directory: records go to the highest numbered file; SWAP marks
REM it full and the next record starts the next file, where the journal's
REM open record and the open records of the journaled channels come first;
REM a new process opens the last file that is not full.
10 INVOKE "mkdir jd"
20 SET_JOURNAL OPEN "jd"
30 INDEXED "ix",10,5; SET_JOURNAL ENABLE "ix"; OPEN (1)"ix"
40 WRITE (1,IND=0)"one"; SET_JOURNAL WRITE "before SWAP"
50 SET_JOURNAL SWAP
60 WRITE (1,IND=1)"two"; SET_JOURNAL WRITE "after SWAP"
70 CLOSE (1); SET_JOURNAL CLOSE
80 INVOKE "ls jd"
90 PRINT "journal.1:"; INVOKE "python3 jdump.py jd/journal.1"
100 PRINT "journal.2:"; INVOKE "python3 jdump.py jd/journal.2"
110 SET_JOURNAL OPEN "jd"; SET_JOURNAL WRITE "again"; SET_JOURNAL CLOSE
120 PRINT "journal.2 again:"; INVOKE "python3 jdump.py jd/journal.2 | tail -3"
130 SETERR 135; SET_JOURNAL OPEN "missing"
135 PRINT "a missing journal: error ",ERR; SETERR 0
140 INVOKE "printf '\001\002' > bad"; SETERR 145; SET_JOURNAL OPEN "bad"
145 PRINT "a file that is no journal: error ",ERR; SETERR 0
RUN
