REM Journal images reach the journal file before the statement that made
REM them goes on (a process killed right after a statement has lost none of
REM its images): the journal's next-address word (bytes 0-3) grows at each
REM WRITE and REMOVE of a journaled file, by an after image, by a before
REM and an after image for a rewrite, by the removed record's image.
10 INVOKE ": > jk"
20 INDEXED "ix",10,5; SET_JOURNAL OPEN "jk"; SET_JOURNAL ENABLE "ix"
30 KEYED "k",4,0,40,OPT="1"; SET_JOURNAL ENABLE "k"
40 OPEN (1)"ix"; OPEN (2)"k"; OPEN (3,BIN=4)"jk"
50 GOSUB 900; WRITE (1,IND=0)"abc"; GOSUB 910; PRINT "first WRITE (open record and image): ",B-A
60 GOSUB 900; WRITE (1,IND=1)"abc"; GOSUB 910; PRINT "WRITE: ",B-A
70 GOSUB 900; WRITE (1,IND=0)"xyz"; GOSUB 910; PRINT "rewrite: ",B-A
80 WRITE (2,KEY="K1")"one"
90 GOSUB 900; WRITE (2,KEY="K2")"two"; GOSUB 910; PRINT "keyed WRITE: ",B-A
100 GOSUB 900; WRITE (2,KEY="K2")"TWO"; GOSUB 910; PRINT "keyed rewrite: ",B-A
110 GOSUB 900; REMOVE (2,KEY="K1"); GOSUB 910; PRINT "REMOVE: ",B-A
120 CLOSE (1); CLOSE (2); CLOSE (3); SET_JOURNAL CLOSE
130 STOP
900 READ RECORD (3,IND=0)X$; A=DEC($00$+X$); RETURN
910 READ RECORD (3,IND=0)X$; B=DEC($00$+X$); RETURN
RUN
