10 REM Bad input: each gives its error and the server's text in MSG(-1); nothing written before is lost
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS f_rows"
40 WRITE (9)"CREATE TABLE f_rows (id INT PRIMARY KEY, name VARCHAR(8) NOT NULL, d DATE)"
50 OPEN (1)"[mysql]orutest;f_rows;KEY=id"
60 FOR I=1 TO 5; WRITE (1)I,"row"+STR(I),"2024-01-0"+STR(I); NEXT I
70 REM a text too long for its column is cut to it
80 WRITE (1)6,"much too long",""; READ (1,KEY=6)A,A$; REMOVE (1,KEY=6)
90 PRINT "too long: ",A$
100 REM a value the column cannot take
110 WRITE (1,ERR=120)7,"bad date","2024-13-45"
120 PRINT "bad date: ",ERR," ",MSG(-1)
130 WRITE (1,ERR=140)8,"",""
140 PRINT "NULL into NOT NULL: ",ERR," ",MSG(-1)
150 PRINT "rows: ",FIN(1,"NUMREC")
160 REM a table that does not exist, a column that does not exist
170 OPEN (2,ERR=180)"[mysql]orutest;f_nosuch;KEY=id"
180 PRINT "missing table: ",ERR," ",MSG(-1)
190 OPEN (2,ERR=200)"[mysql]orutest;f_rows;REC=id,nosuch:10;KEY=id"
200 PRINT "missing column: ",ERR," ",MSG(-1)
210 REM bad SQL on a command channel
220 WRITE (9,ERR=230)"SELEKT 1"
230 M$=MSG(-1); PRINT "bad SQL: ",ERR," ",M$(1,16)
240 REM a wrong password, a server that is not there
250 OPEN (3,ERR=260)"[mysql]orutest;f_rows;PSWD=wrong;KEY=id"
260 M$=MSG(-1); PRINT "wrong password: ",ERR," ",M$(1,32)
270 OPEN (3,ERR=280)"[mysql]orutest;f_rows;HOST=127.0.0.1;PORT=1;KEY=id"
280 M$=MSG(-1); PRINT "no server: ",ERR," ",M$(1,36)
290 REM the server kills the connection in the middle of a read
300 OPEN (4)"[mysql]orutest;f_rows;SHARED;TOP=2;KEY=id"
310 OPEN (5)"[mysql]orutest;;SHARED"
320 READ (5,KEY="SELECT CONNECTION_ID()")CID$
330 READ (4,KEY=1)A,A$; READ (4)A,A$; PRINT "read before the kill: ",A
340 OPEN (6)"[mysql]orutest;;UNIQUE"
350 WRITE (6)"KILL "+CID$
360 READ (4,ERR=370)A,A$; PRINT "read after the kill (fetched before it): ",A; GOTO 380
370 M$=MSG(-1); PRINT "read after the kill: ",ERR," ",M$(1,11)
380 READ (4,ERR=390)A,A$; PRINT "next batch after the kill: ",A; GOTO 400
390 M$=MSG(-1); PRINT "next batch after the kill: ",ERR," ",M$(1,10)
391 READ (4,KEY=1,ERR=392)A; PRINT "read by key after the kill: ",A; GOTO 393
392 M$=MSG(-1); PRINT "read by key after the kill: ",ERR," ",M$(1,10)
393 WRITE (5,ERR=394)"SELECT 1"; PRINT "command after the kill"; GOTO 395
394 M$=MSG(-1); PRINT "command after the kill: ",ERR," ",M$(1,10)
395 OPEN (7)"[mysql]orutest;f_rows;SHARED;KEY=id"; READ (7,KEY=2)A; PRINT "a new SHARED channel gets a connection of its own: ",A; CLOSE (7)
400 CLOSE (4); CLOSE (5); CLOSE (6)
410 PRINT "rows after all: ",FIN(1,"NUMREC")
420 READ (1,KEY=5)A,A$,D$; PRINT A," ",A$," ",D$
422 REM a key that is no number names no row of a number key (the server would read "3x" as 3)
424 READ (1,KEY="3x",DOM=426)A; PRINT "found ",A; GOTO 427
426 PRINT "KEY=""3x"": not found"
427 REMOVE (1,KEY="2 apples",DOM=428); PRINT "removed?"; GOTO 429
428 PRINT "REMOVE of KEY=""2 apples"": not found, rows ",FIN(1,"NUMREC")
429 LET X=RNO(1,KEY="x4",ERR=*NEXT); PRINT "RNO( of KEY=""x4"": error ",ERR
430 CLOSE (1)
440 WRITE (9)"DROP TABLE f_rows"
450 END
RUN
