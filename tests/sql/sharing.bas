10 REM Channels sharing one connection: a temporary table (seen only by its own connection) opens on a SHARED channel and not on a UNIQUE one; reads of two tables interleave on the shared connection
20 OPEN (3)"[mysql]orutest;;SHARED"
30 WRITE (3)"CREATE TEMPORARY TABLE s_tmp (id INT PRIMARY KEY, t VARCHAR(10))"
40 WRITE (3)"INSERT INTO s_tmp VALUES (1,'one'),(2,'two'),(3,'three')"
50 OPEN (1)"[mysql]orutest;s_tmp;SHARED;KEY=id"
60 OPEN (2,ERR=70)"[mysql]orutest;s_tmp;UNIQUE;KEY=id"; PRINT "UNIQUE sees the temporary table"; GOTO 80
70 PRINT "UNIQUE channel: ",ERR
80 OPEN (4)"[mysql]orutest;;UNIQUE"
90 READ (3,KEY="SELECT CONNECTION_ID()")C3$; READ (4,KEY="SELECT CONNECTION_ID()")C4$
100 PRINT "shared and unique connections differ: ",C3$<>C4$
110 WRITE (4)"DROP TABLE IF EXISTS s_other"
120 WRITE (4)"CREATE TABLE s_other (k CHAR(2) PRIMARY KEY, n INT)"
130 OPEN (2)"[mysql]orutest;s_other;SHARED;TOP=1;KEY=k"
140 FOR I=1 TO 4; WRITE (2)CHR(64+I)+CHR(64+I),I*10; NEXT I
150 READ (1,KEY=1)A,A$; READ (2,KEY="AA")K$,N
160 FOR I=1 TO 3
170 READ (1,END=180)A,A$; PRINT "s_tmp ",A," ",A$,; GOTO 190
180 PRINT "s_tmp end",
190 READ (2)K$,N; PRINT " | s_other ",K$," ",N,
200 READ (3,KEY="SELECT COUNT(*) FROM s_tmp")C$; PRINT " | count ",C$
210 NEXT I
220 CLOSE (3)
230 READ (1,KEY=2)A,A$; PRINT "after the first sharer closed: ",A$
240 WRITE (1)4,"four"; PRINT "rows: ",FIN(1,"NUMREC")
250 CLOSE (1); CLOSE (2)
260 WRITE (4)"DROP TABLE s_other"
270 CLOSE (4)
280 END
RUN
