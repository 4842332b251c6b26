10 REM Where a channel stands: EXTRACT keeps the channel on its row, SELECT loops from the first key, FIND, PURGE,
15 REM KEC before the first read, a whole-record key (KEY=*), REMOVE of the extracted row, KEN's statement forms
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS p_rows"
40 WRITE (9)"CREATE TABLE p_rows (id CHAR(4) PRIMARY KEY, t VARCHAR(10), n INT, KEY byt (t))"
50 OPEN (1)"[mysql]orutest;p_rows;KEY=id;KEY=t"
60 LET X$=KEC(1,ERR=70); PRINT "KEC before a read: ",X$; GOTO 80
70 PRINT "KEC before a read: error ",ERR
80 WRITE (1)"A","x",1; WRITE (1)"B","y",2; WRITE (1)"C","x",3; WRITE (1)"D","z",4
90 REM EXTRACT does not move the channel past its row
100 EXTRACT (1,KEY="B")K$,T$,N; PRINT "KEY() after EXTRACT: ",KEY(1)
110 READ (1)K$,T$,N; PRINT "READ after EXTRACT: ",K$; READ (1)K$; PRINT "then: ",K$
120 EXTRACT (1,KEY="A")K$,T$,N; WRITE (1)K$,T$+"!",N; READ (1)K$,T$; PRINT "READ after EXTRACT and WRITE: ",K$
130 EXTRACT (1,KEY="C")K$; REMOVE (1); READ (1)K$; PRINT "REMOVE without KEY= after EXTRACT: rows ",FIN(1,"NUMREC"),", next ",K$
140 REMOVE (1,ERR=150); PRINT "REMOVE without a kept row?"
150 PRINT "REMOVE without KEY= and nothing extracted: error ",ERR
160 WRITE (1)"C","x",3
200 REM SELECT walks a table from its first key unless BEGIN says otherwise, wherever the channel stands
210 READ (1,KEY="D")K$
220 SELECT K$,T$,N FROM 1 WHERE N>1
230 PRINT "select: ",K$," ",T$," ",N
240 NEXT RECORD
250 SELECT K$,T$,N FROM 1,KNO=1 BEGIN "x" END "x~"
260 PRINT "select by t: ",K$," ",T$
270 NEXT RECORD
280 REM FIND reads like READ; KEN gives the statement, the handles and the columns of the result
290 FIND (1,KNO=0,KEY="B")K$,T$; PRINT "FIND: ",T$
300 FIND (1,KEY="Q",DOM=310)K$; PRINT "found?"
310 PRINT "FIND of a missing key: DOM="
320 PRINT "KEN: ",KEN(1)
330 READ (1,KEY="B")K$; LET H$=KEN(1,IND=2); PRINT "KEN IND=2 names three handles: ",MSK(H$,"^HENV=-?[0-9]+, HDBC=-?[0-9]+, HSTMT=-?[0-9]+$")=1
340 PRINT "KEN IND=3: ",KEN(1,IND=3)
350 PRINT "KEN IND=1: ",KEN(1,IND=1)
360 LET X$=KEN(1,IND=4,ERR=370)
370 PRINT "KEN IND=4: error ",ERR
380 OPEN (2)"[mysql]orutest;p_rows;KEY=id"; LET X$=KEN(2,IND=3,ERR=390)
390 PRINT "KEN IND=3 before a read: error ",ERR; CLOSE (2)
400 READ (9,KEY="SELECT id, n*2 AS twice, CURDATE() FROM p_rows LIMIT 1")X$; PRINT "KEN IND=3 of a command: ",KEN(9,IND=3)
410 REM PURGE empties the table
420 PURGE (1); PRINT "after PURGE: ",FIN(1,"NUMREC")
430 CLOSE (1)
500 REM KEY=*: the whole record is the key; READ gives an empty record and WRITE takes the row from KEY=
510 OPEN (1)"[mysql]orutest;p_rows;REC=id:4+t:10+n:3;KEY=*;KEY=t:C,id"
520 WRITE (1,KEY="K1  hello     7")
530 WRITE (1,KEY="K2  world     8")
540 READ (1,KEY="K1  hello     7")R$; PRINT "record [",R$,"] KEC ",KEC(1)
550 READ (1)R$; PRINT "next [",R$,"] KEC ",KEC(1)
560 READ (1,KNO=1,KEY="WORLD     K2")R$; PRINT "by key 1: KEC ",KEC(1)
570 WRITE (1,KEY="K3  x         1",ERR=580)"data"; PRINT "written?"
580 PRINT "WRITE of a record to a whole-record key: error ",ERR
590 WRITE (1,ERR=600); PRINT "written?"
600 PRINT "WRITE without KEY=: error ",ERR
610 READ (9,KEY="SELECT COUNT(*), SUM(n) FROM p_rows")C$,S$; PRINT "rows ",C$,", sum ",S$
620 CLOSE (1)
700 REM options from OPT= follow the name's; a password there stays out of nothing it was never in
710 OPEN (1,OPT="KEY=t;KEY=id;PSWD=oru-pw")"[mysql]orutest;p_rows"; PRINT FIN(1,"NAME"),", keys ",NUM(FIN(1,"MAXKNO"))+1; CLOSE (1)
720 REM a command channel's record is 4096 bytes, or SIZ=
730 OPEN (2)"[mysql]orutest"; PRINT "command channel record: ",FIN(2,"RECORD_SIZE"); CLOSE (2)
740 OPEN (2,SIZ=100)"[mysql]orutest"; PRINT "with SIZ=100: ",FIN(2,"RECORD_SIZE"); CLOSE (2)
750 READ (9,KEY="**p_rows",ERR=760)X$
760 PRINT "a second * in a column listing: error ",ERR
770 READ (9,KEY="")CAT$,SCH$,T$,C$; LET N=0
772 IF T$="p_rows" THEN LET N=N+1,L$=L$+C$+" "
774 READ (9,END=776)CAT$,SCH$,T$,C$; GOTO 772
776 PRINT "every table's columns, those of p_rows: ",N," ",L$
777 REM switch KR: KEP( names the row the channel stands on while it is there; the record size counts a literal's length (+6 before a separator)
778 OPEN (1)"[mysql]orutest;p_rows;KEY=id;REC=id:4+""--""+t,""/"",n"; PRINT "record size: ",FIN(1,"RECORD_SIZE"); READ RECORD (1,KEY="K1")R$; PRINT "record: ",R$(1,11); CLOSE (1)
779 OPEN (1)"[mysql]orutest;p_rows;KEY=id"; WRITE (1)"A","x",1; WRITE (1)"B","y",2; READ (1,KEY="B")K$; PRINT "KEP: ",KEP(1); SET_PARAM 'KR'; PRINT "under KR: ",KEP(1); REMOVE (1,KEY="B"); PRINT "row gone: ",KEP(1); SET_PARAM -'KR'; CLOSE (1)
781 REM key functions leave a row kept by EXTRACT locked; the next READ releases it
782 OPEN (1)"[mysql]orutest;p_rows;KEY=id"; OPEN (4)"[mysql]orutest;;UNIQUE"; WRITE (4)"SET SESSION innodb_lock_wait_timeout=1"; SET_PARAM 'WT'=0
783 EXTRACT (1,KEY="K1")K$; LET X$=KEY(1),X$=KEP(1),X$=KEF(1),X$=KEC(1); READ (4,KEY="SELECT id FROM p_rows WHERE id='K1' FOR UPDATE",ERR=785); PRINT "not locked after the key functions"; GOTO 786
785 PRINT "still locked after the key functions: error ",ERR
786 READ (1,KEY="K1")K$; READ (4,KEY="SELECT id FROM p_rows WHERE id='K1' FOR UPDATE")K$; PRINT "released by the next READ: ",K$
787 CLOSE (4); CLOSE (1); SET_PARAM 'WT'=2
790 WRITE (9)"DROP TABLE p_rows"
795 END
RUN
