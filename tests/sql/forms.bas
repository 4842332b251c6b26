10 REM Record maps: fixed widths and literals, hex, binary and packed fields, six-byte dates, STRIP, NONULLS, column descriptions, the password kept out of the channel's name
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS m_forms"
40 WRITE (9)"CREATE TABLE m_forms (id CHAR(4) PRIMARY KEY, h VARCHAR(8), b VARBINARY(4), p DECIMAL(7,2), d DATE, t CHAR(6) NOT NULL DEFAULT '')"
50 OPEN (1)"[mysql]orutest;m_forms;REC=id+""|""+h:H8+b:B4+p:P4+d:D+t;KEY=id;PSWD=oru-pw;NOSUCHOPTION;ALSO=ignored"
60 PRINT "name without the password: ",FIN(1,"NAME")
70 WRITE (1)"A1"+"  |"+CHR(1)+CHR(171)+CHR(205)+CHR(239)+"x,y"+CHR(0)+CHR(0)+CHR(0)+CHR(48)+CHR(57)+"2024-02-29"+"abc"
80 READ (9,KEY="SELECT h, HEX(b), p, d, t FROM m_forms")H$,B$,P$,D$,T$
90 PRINT "stored: ",H$," ",B$," ",P$," ",D$," ",T$
100 READ (1,KEY="A1")R$
110 PRINT "record length ",LEN(R$),": ",HTA(R$)
120 PRINT "column 4: ",; READ (1,IND=-4)X$,Y$,Z$,W$,V$; PRINT X$," ",Y$," ",Z$," ",W$," ",V$
130 PRINT "column 6: ",; READ (1,IND=-6)X$,Y$,Z$,W$,V$; PRINT X$," ",Y$," ",Z$," ",W$," ",V$
140 READ (1,IND=-7,END=*NEXT); PRINT "column 7: end of file"
150 READ (1,IND=2,ERR=*NEXT); PRINT "IND=2: ",ERR
160 CLOSE (1)
170 REM six-byte dates
180 OPEN (1)"[mysql]orutest;m_forms;REC=id,d;KEY=id;TAVRODATE"
190 READ (1,KEY="A1")A$,D$; PRINT "six-byte date: ",HTA(D$)
200 WRITE (1)"A2",CHR(31+32)+CHR(40+32)+"1231"
210 WRITE (1)"A3",CHR(200)+"x0101"
220 READ (9,KEY="SELECT d FROM m_forms WHERE id='A2'")D$; PRINT "stored: ",D$
230 READ (9,KEY="SELECT d FROM m_forms WHERE id='A3'")D$; PRINT "a first byte of 128 or more: ",D$
240 CLOSE (1)
250 REM STRIP and NONULLS
260 OPEN (1)"[mysql]orutest;m_forms;REC=id,t;KEY=id;NONULLS=Y"
270 WRITE (1)"A4",""
280 READ (9,KEY="SELECT t IS NULL, LENGTH(t) FROM m_forms WHERE id='A4'")N$,L$; PRINT "NONULLS: null ",N$," length ",L$
290 CLOSE (1)
300 OPEN (1)"[mysql]orutest;m_forms;REC=id,h;KEY=id;STRIP"
310 WRITE (1)"A5","ab  "; READ (1,KEY="A5")A$,H$; PRINT "STRIP: [",H$,"]"
320 CLOSE (1)
330 OPEN (1)"[mysql]orutest;m_forms;REC=id,h;KEY=id;NOSTRIP"
340 READ (1,KEY="A5")A$,H$; PRINT "NOSTRIP: [",H$,"]"
350 CLOSE (1)
360 OPEN (1,ERR=370)"[mysql]orutest;m_forms;REC=t:P4;KEY=t"; PRINT "packed text column opened"; GOTO 380
370 PRINT "packed text column: ",ERR
380 OPEN (1,ERR=390)"[mysql]orutest;m_forms;REC=id,""open"; PRINT "opened"; GOTO 400
390 PRINT "unended literal: ",ERR
400 OPEN (1,ERR=410)"[mysql]orutest;m_forms;KEY=nosuch"; GOTO 420
410 PRINT "key of a column not in the map: ",ERR
420 OPEN (1,ERR=430)"[mysql]orutest;m_forms;REC=id;REC=id"; GOTO 440
430 PRINT "two record maps: ",ERR
432 OPEN (1)"[mysql]orutest;m_forms;REC=id,d;KEY=id;DATEFMT=DD.MM.YYYY"; READ (1,KEY="A1")A$,D$; PRINT "DATEFMT: ",D$; WRITE (1)"A6","01.03.2025"; CLOSE (1)
433 OPEN (1)"[mysql]orutest;m_forms;REC=id,d;KEY=id;DATEFMT=YYMMDD"; READ (1,KEY="A6")A$,D$; PRINT "DATEFMT: ",D$; WRITE (1)"A7","991231"; CLOSE (1)
434 READ (9,KEY="SELECT d FROM m_forms WHERE id='A6'")D$; READ (9,KEY="SELECT d FROM m_forms WHERE id='A7'")E$; PRINT "stored: ",D$," ",E$
435 OPEN (1)"[mysql]orutest;m_forms;KEY=id;DEBUG=# tag7"; READ (1,KEY="A1")R$; PRINT "KEN with a DEBUG tag: ",KEN(1); PRINT "identifier quote: ",FIN(1,"IDENTIFIER_QUO"); CLOSE (1)
440 WRITE (9)"DROP TABLE m_forms"
450 END
RUN
