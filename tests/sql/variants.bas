5 REM Variant record maps: TYP= selectors and the sections of the record map ("?pattern", "?~pattern", "?~", "?")
10 OPEN (9)"[mysql]orutest"
20 WRITE (9)"DROP TABLE IF EXISTS v_doc"
30 WRITE (9)"CREATE TABLE v_doc (id CHAR(4) PRIMARY KEY, kind CHAR(2), cust VARCHAR(10), amt DECIMAL(8,2), note VARCHAR(20), tail VARCHAR(5))"
40 OPEN (1)"[mysql]orutest;v_doc;KEY=id;REC=id,kind,?I.,cust,amt,?C.,note,?,tail;TYP=kind,1"
50 WRITE (1)"0001","IN","Miller",12.5,"tail1"
60 WRITE (1)"0002","CR","a credit note","tail2"
70 WRITE (1)"0003","XX","tail3"
80 FOR I=1 TO 3; READ (1,KEY="000"+STR(I))A$,B$,C$,D$,E$; PRINT A$,"|",B$,"|",C$,"|",D$,"|",E$,"|"; NEXT I
110 READ (9,KEY="SELECT id,kind,cust,amt,note,tail FROM v_doc ORDER BY id")A$,B$,C$,D$,E$,F$; PRINT A$,"|",B$,"|",C$,"|",D$,"|",E$,"|",F$
120 READ (9)A$,B$,C$,D$,E$,F$; PRINT A$,"|",B$,"|",C$,"|",D$,"|",E$,"|",F$
125 READ (9)A$,B$,C$,D$,E$,F$; PRINT A$,"|",B$,"|",C$,"|",D$,"|",E$,"|",F$
130 OPEN (2)"[mysql]orutest;v_doc;KEY=id;REC=id,kind,?I.,cust,?C.,note;TYP=kind,1"
140 READ (2,KEY="0003",ERR=150)A$; PRINT "read?"
150 PRINT "a map ending inside its sections, no section fits: error ",ERR
155 WRITE (2,ERR=157)"0004","ZZ","x"
157 PRINT "and on WRITE: error ",ERR
160 OPEN (3,ERR=170)"[mysql]orutest;v_doc;KEY=id;REC=id,kind,?I.,cust;TYP=nosuch"
170 PRINT "unknown TYP column: error ",ERR
180 OPEN (3,ERR=190)"[mysql]orutest;v_doc;KEY=id;REC=id,kind,?I.,cust"
190 PRINT "sections without TYP=: error ",ERR
200 OPEN (3)"[mysql]orutest;v_doc;KEY=id;REC=id,kind,?""[^I]."",note,?~,cust;TYP=kind"
210 FOR I=1 TO 3; READ (3,KEY="000"+STR(I))A$,B$,C$; PRINT "class and ?~: ",A$,"|",B$,"|",C$; NEXT I
220 OPEN (4)"[mysql]orutest;v_doc;KEY=id;REC=id+kind+?IN.XX[],cust;TYP=kind"
230 FOR I=1 TO 3; READ (4,KEY="000"+STR(I),ERR=235)A$,B$; PRINT "two alternatives: ",A$,"|",B$; GOTO 240
235 PRINT "two alternatives: error ",ERR
240 NEXT I
250 WRITE (9)"DROP TABLE v_doc"
RUN
