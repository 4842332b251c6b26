10 REM Every record directive and key function on a table with a primary key and two secondary indexes
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS d_cust"
40 WRITE (9)"CREATE TABLE d_cust (id CHAR(6) PRIMARY KEY, name VARCHAR(24), city VARCHAR(12), bal DECIMAL(10,2), since DATE, KEY byname(name), KEY bycity(city,name))"
50 OPEN (1)"[mysql]orutest;d_cust;KEY=id;KEY=name;KEY=city,name"
60 PRINT FIN(1,"MAXKNO"),FIN(1,"NUMREC")
70 WRITE (1)"C00001","Miller","Bern",12.5,"2024-07-01"
80 WRITE (1)"C00002","Abbot","Zug",-3,""
90 WRITE (1)"C00003","Zeller","Bern",0.25,"2023-01-31"
100 INSERT (1)"C00004","Brown","Aarau",100,"2020-02-29"
110 INSERT (1,DOM=*NEXT)"C00004","Dup","Aarau",1,""; PRINT "insert of an existing key: DOM="
120 WRITE (1,DOM=*NEXT)"C00004","Dup","Aarau",1,""; PRINT "write with DOM= of an existing key: DOM="
130 WRITE (1)"C00004","Braun","Aarau",101,"2020-02-29"
140 REM key 0: reads by key and in order
150 READ (1,KEY="C00002")A$,B$,C$,D,E$; PRINT A$,"|",B$,"|",C$,"|",D,"|",E$,"|"
160 READ (1)A$,B$,C$,D,E$; PRINT A$,"|",B$,"|",C$,"|",D,"|",E$,"|"
170 PRINT "KEC ",KEC(1)," KEY ",KEY(1)," KEP ",KEP(1)
180 READ (1)A$; PRINT A$
190 READ (1,END=*NEXT)A$; PRINT "end of file"
200 PRINT "KEF ",KEF(1)," KEL ",KEL(1)," RNO ",RNO(1,KEY="C00003")
210 READ (1,KEY="C00000",DOM=*NEXT)A$; PRINT "missing key: DOM="
220 READ (1)A$; PRINT "after a missing key: ",A$
230 READ (1,KEY="C0000",DOM=*NEXT)A$; READ (1)A$; PRINT "after a partial key: ",A$
240 READ (1,KEY="C000033",ERR=*NEXT)A$; PRINT "key too long: ",ERR
250 REM key 1 (name) and key 2 (city, name), chosen by KNO=
260 READ (1,KNO=1,KEY="",DOM=*NEXT)
270 FOR I=1 TO 4; READ (1,KNO=1)A$,B$; PRINT B$," ",; NEXT I; PRINT
280 READ (1,KNO=2,KEY="",DOM=*NEXT)
290 FOR I=1 TO 4; READ (1,KNO=2)A$,B$,C$; PRINT C$,"/",B$," ",; NEXT I; PRINT
300 PRINT "KEF ",KEF(1,KNO=2),"| KEL ",KEL(1,KNO=2),"|"
310 READ (1,KNO=2,KEY="Bern        Miller")A$; PRINT "key 2 read: ",A$," KEC ",KEC(1,KNO=2),"|"
320 READ (1,KNO=2,KEY="Bern",DOM=*NEXT); READ (1,KNO=2)A$; PRINT "first in Bern: ",A$
330 PRINT "KEY ",KEY(1,KNO=2),"| RNO ",RNO(1)
340 READ (1,KNO=0,KEY="C00001")A$; PRINT "KNO=0 again: ",A$
350 REM EXTRACT and WRITE back, UPDATE, REMOVE
360 EXTRACT (1,KEY="C00001")A$,B$,C$,D,E$
370 WRITE (1)A$,B$,C$,D+1,E$
380 READ (1,KEY="C00001")A$,B$,C$,D,E$; PRINT "after EXTRACT and WRITE: ",D
390 UPDATE (1)"C00001","Miller","Thun",14,"2024-07-02"
400 READ (1,KEY="C00001")A$,B$,C$,D,E$; PRINT "after UPDATE: ",C$," ",D," ",E$
410 UPDATE (1,DOM=*NEXT)"C00009","Nobody","",0,""; PRINT "UPDATE of a missing key: DOM="
420 REMOVE (1,KEY="C00002")
430 REMOVE (1,KEY="C00002",DOM=*NEXT); PRINT "REMOVE of a missing key: DOM="
440 PRINT "rows ",FIN(1,"NUMREC")
450 REM NULLs: an empty text and an empty date are NULL in the table
460 READ (9,KEY="SELECT COUNT(*) FROM d_cust WHERE since IS NULL")N$; PRINT "NULL dates: ",N$
470 WRITE (1)"C00005","","",,""
480 READ (9,KEY="SELECT id, name IS NULL, city IS NULL, bal IS NULL FROM d_cust WHERE id='C00005'")A$,B$,C$,D$; PRINT A$,B$,C$,D$
490 READ (1,KEY="C00005")A$,B$,C$,D,E$; PRINT "NULL row reads: ",A$,"|",B$,"|",C$,"|",D,"|",E$,"|"
500 REM KEN: the last statement; a command channel lists tables and columns
510 PRINT KEN(1)
520 READ (9,KEY="?d_c")CAT$,SCH$,T$,TY$; PRINT T$," ",TY$
530 READ (9,KEY="*d_cust")CAT$,SCH$,T$,C$,Z$,TY$; READ (9)CAT$,SCH$,T$,C1$; PRINT "columns: ",C$," ",C1$," ",TY$
540 READ (9,KEY="!UPDATE d_cust SET bal = bal * 2")
550 READ (1,KEY="C00003")A$,B$,C$,D; PRINT "doubled: ",D
560 WRITE (9)"UPDATE d_cust","SET city = 'Chur'","WHERE id = 'C00003'"
570 READ (1,KEY="C00003")A$,B$,C$; PRINT "command WRITE of three fields: ",C$
580 READ (9,ERR=*NEXT)X$; PRINT "no result to read: ",ERR
590 READ (9,KEY="!DELETE FROM d_cust")
600 PRINT "after PURGE: ",FIN(1,"NUMREC")
610 CLOSE (1)
620 WRITE (9)"DROP TABLE d_cust"
630 CLOSE (9)
640 END
RUN
