10 REM Record layouts of SQL channels: KEYDATA= (the key in front of the record, given by KEY=),
15 REM RECDATA= (every field at full width), IND= (rows numbered by a column), and EXEC_SPRNO reads
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS l_kd"; WRITE (9)"DROP TABLE IF EXISTS l_ind"; WRITE (9)"DROP PROCEDURE IF EXISTS spRNOl_kd"
40 WRITE (9)"CREATE TABLE l_kd (id CHAR(6) PRIMARY KEY, name VARCHAR(10), amt DECIMAL(8,2))"
50 OPEN (1)"[mysql]orutest;l_kd;KEYDATA=id;REC=name,amt"
60 WRITE (1,KEY="A00001")"Miller",12.5
70 WRITE (1,KEY="A00002")"Abbot",3
80 READ (1,KEY="A00001")N$,A; PRINT "KEYDATA read: ",N$," ",A," key ",KEC(1)
90 READ (1)N$,A; PRINT "next: ",N$," ",A," key ",KEC(1)
100 WRITE (1)"NoKey",1,ERR=110
110 PRINT "WRITE without KEY=: error ",ERR
120 EXTRACT (1,KEY="A00001")N$,A; WRITE (1)"Miller2",A+1; READ (1,KEY="A00001")N$,A; PRINT "WRITE after EXTRACT: ",N$," ",A
130 WRITE (1,KEY="A000011")"x",1,ERR=140
140 PRINT "key too long: error ",ERR
150 CLOSE (1)
160 OPEN (1)"[mysql]orutest;l_kd;KEYDATA=id"; READ (1,KEY="A00002")N$,A; PRINT "KEYDATA without REC: ",N$," ",A; CLOSE (1)
170 OPEN (1,ERR=180)"[mysql]orutest;l_kd;KEY=name;KEYDATA=id"
180 PRINT "KEY before KEYDATA: error ",ERR
190 OPEN (2)"[mysql]orutest;l_kd;RECDATA=id,name,amt;KEY=id"
200 READ (2,KEY="A00002")R$; PRINT "RECDATA: [",R$,"]"
210 WRITE (2)"A00003Zed       "+"      4.25"; READ (2,KEY="A00003")R$; PRINT "[",R$,"]"
220 PRINT "fields: ",R$(1,6),"|",R$(7,10),"|",NUM(R$(17))
230 CLOSE (2)
300 REM IND=: an 8-character row number in front of the record, key 0, not shown to programs
310 WRITE (9)"CREATE TABLE l_ind (rn INT PRIMARY KEY, txt VARCHAR(20), qty INT)"
320 OPEN (1)"[mysql]orutest;l_ind;IND=rn;REC=txt,qty"
330 WRITE (1,IND=0)"zero",10
340 WRITE (1)"one",11
350 WRITE (1,IND=4)"four",14
360 READ (1,IND=1)T$,Q; PRINT "IND=1: ",T$," ",Q," IND() ",IND(1)
370 READ (1)T$,Q; PRINT "next (a number without a row): [",T$,"] ",Q," IND() ",IND(1)
380 READ (1)T$; READ (1)T$; PRINT "row 4: ",T$
390 READ (1,END=400)T$; PRINT "past the end?"
400 PRINT "end of file: error ",ERR
410 READ (1,IND=0)T$; PRINT "IND=0: ",T$
420 X$=KEY(1,ERR=430)
430 PRINT "KEY() in IND mode: error ",ERR
440 READ (1,KEY="00000001",ERR=450)T$
450 PRINT "KEY= in IND mode: error ",ERR
460 REMOVE (1,IND=0); READ (1,IND=0)T$; PRINT "removed: [",T$,"]"
470 EXTRACT (1,IND=4)T$,Q; WRITE (1)T$+"!",Q+1; READ (1,IND=4)T$,Q; PRINT "rewritten after EXTRACT: ",T$," ",Q
480 CLOSE (1)
490 OPEN (1,ERR=500)"[mysql]orutest;l_ind;IND=rn"
500 PRINT "IND without REC: error ",ERR
510 OPEN (1,ERR=520)"[mysql]orutest;l_ind;IND=rn;REC=txt;KEY=txt"
520 PRINT "IND with KEY: error ",ERR
530 OPEN (2)"[mysql]orutest;l_ind;KEY=rn"; READ (2,IND=-2)D$; PRINT "IND=-2 outside IND mode describes: ",D$
540 WRITE (2,IND=3,ERR=550)"x"
550 PRINT "WRITE with IND= outside IND mode: error ",ERR
560 WRITE (2,IND=-1)"UPDATE l_ind SET qty=99 WHERE rn=1"; READ (2,KEY="1")R,T$,Q; PRINT "IND=-1 runs the record: ",Q
570 CLOSE (2)
600 REM EXEC_SPRNO: RNO= reads ask the table's procedure spRNO<table>; without it the rows are counted
610 OPEN (1)"[mysql]orutest;l_kd;KEY=id;EXEC_SPRNO"
620 READ (1,RNO=2)I$,N$; PRINT "without the procedure: ",I$," ",N$
630 WRITE (9)"CREATE PROCEDURE spRNOl_kd(n INT) SELECT amt, name, id FROM l_kd ORDER BY id DESC LIMIT 1"
640 READ (1,RNO=2)I$,N$; PRINT "the procedure's row: ",I$," ",N$," (",KEN(1),")"
650 READ (9,KEY="SELECT 5")X$; PRINT "the connection goes on: ",X$
660 CLOSE (1)
670 WRITE (9)"DROP TABLE l_kd"; WRITE (9)"DROP TABLE l_ind"; WRITE (9)"DROP PROCEDURE spRNOl_kd"
RUN
