10 REM The record map as the table's I/O list (IOL=*): variables named after the columns, widths of fixed fields;
15 REM key names (*NAME:) for KNO= and FIN, *INDEX: accepted; IOPROG=; the last of two sharers closes the connection
20 OPEN (9)"[mysql]orutest"; WRITE (9)"DROP TABLE IF EXISTS g_list"
30 WRITE (9)"CREATE TABLE g_list (id CHAR(4) PRIMARY KEY, `unit price` DECIMAL(8,2), `2nd` VARCHAR(10), d DATE)"
40 OPEN (1,IOL=*)"[mysql]orutest;g_list;KEY=id;KEY=2nd,*NAME:second,*INDEX:/sec;IOPROG=audit"
50 PRINT "list: ",LST(IOL(1))
60 PRINT "key names: ",FIN(1,"KEY_NAMES"),"  I/O program: ",FIN(1,"IO_PROGRAM")
70 LET ID$="K1",UNIT_PRICE=12.5,_2ND$="beta",D$="2024-05-06"; WRITE (1)
80 LET ID$="K2",UNIT_PRICE=3,_2ND$="alpha",D$=""; WRITE (1)
90 LET ID$="",UNIT_PRICE=0,_2ND$="",D$=""; READ (1,KEY="K1"); PRINT ID$,"|",UNIT_PRICE,"|",_2ND$,"|",D$
100 READ (1,KNO="second",KEY="",DOM=110)
110 READ (1); PRINT "first by key name: ",ID$," ",_2ND$,", KEC ",KEC(1)
120 CLOSE (1)
130 REM fields laid at full width get their widths (the KEYDATA key lists the table: its types hold); the key is not in the list
140 OPEN (1,IOL=*)"[mysql]orutest;g_list;KEYDATA=id;REC=2nd:6+unit price:7.2+d:D"
150 PRINT "list: ",LST(IOL(1))
160 READ (1,KEY="K2"); PRINT "[",_2ND$,"] ",UNIT_PRICE
170 LET _2ND$="gamma",UNIT_PRICE=99.25,D$="2025-01-02"; WRITE (1,KEY="K3"); READ RECORD (1,KEY="K3")R$; PRINT "[",R$(1,LEN(R$)-1),"]"
180 CLOSE (1)
190 REM a map with a literal has no list
200 OPEN (1,IOL=*,ERR=210)"[mysql]orutest;g_list;KEY=id;REC=id,""x"",d"; PRINT "opened?"
210 PRINT "a literal in the map: error ",ERR
220 OPEN (1,ERR=230)"[mysql]orutest;g_list;KEY=id,*NAME:#1"; PRINT "opened?"
230 PRINT "a key name beginning with #: error ",ERR
232 REM a table opened without keys has none to name; one with keys takes a name for each
234 OPEN (1)"[mysql]orutest;g_list"; SETERR 236; SDEV (1)KNO=0,"pk"; PRINT "named a key of a table without keys?"
236 SETERR 0; PRINT "SDEV KNO=0 without keys: error ",ERR,", key names [",FIN(1,"KEY_NAMES"),"]"; CLOSE (1)
238 OPEN (1)"[mysql]orutest;g_list;KEY=id;KEY=2nd"; SDEV (1)KNO=1,"by2nd"; PRINT "key names: ",FIN(1,"KEY_NAMES"); CLOSE (1)
240 REM two channels sharing a connection: it stays while one of them is open
250 OPEN (1)"[mysql]orutest;g_list;SHARED;KEY=id"; OPEN (2)"[mysql]orutest;;SHARED"; OPEN (3)"[mysql]orutest;;UNIQUE"
260 READ (2,KEY="SELECT CONNECTION_ID()")C$; LET Q$="SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID="+C$
270 CLOSE (2); READ (3,KEY=Q$)N$; PRINT "after the first closed: ",N$
280 CLOSE (1); FOR I=1 TO 50; READ (3,KEY=Q$)N$; IF N$="0" THEN BREAK
290 WAIT .05; NEXT I; PRINT "after the second closed: ",N$
300 CLOSE (3)
310 REM ERASE drops a table; a name without a table, or of a table that is not there, is an error
320 ERASE "[mysql]orutest;g_list"
330 READ (9,KEY="SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='orutest' AND TABLE_NAME='g_list'")N$; PRINT "tables left: ",N$
340 ERASE "[mysql]orutest;g_list",ERR=350; PRINT "erased twice?"
350 M$=MSG(-1); PRINT "ERASE of a missing table: error ",ERR," ",M$(1,11)
360 ERASE "[mysql]orutest",ERR=370; PRINT "erased?"
370 PRINT "ERASE of a command connection: error ",ERR
380 END
RUN
