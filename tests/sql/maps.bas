10 REM Record maps whose every item has a format keep the formats; years in two bytes; numbers after a fixed field;
15 REM six-byte dates by switch !9; the extract suffix by switch XI and EXTROPT
20 SET_PARAM '!9'
30 OPEN (9)"[mysql]orutest"
40 WRITE (9)"DROP TABLE IF EXISTS q_maps"
50 WRITE (9)"CREATE TABLE q_maps (id INT PRIMARY KEY, name VARCHAR(20), y YEAR, amt DECIMAL(9,2), d DATE)"
60 OPEN (1)"[mysql]orutest;q_maps;REC=id:3.0+name:6+y:Y+amt:5.1,d:D;KEY=id;NONUMADJ=Y"
70 PRINT "record size ",FIN(1,"RECORD_SIZE")
80 WRITE (1)"  7Miller"+CHR(31+32)+CHR(40+32)+"  2.5",CHR(31+32)+CHR(40+32)+"0229"
90 READ (9,KEY="SELECT id, name, y, amt, d FROM q_maps")A$,B$,C$,D$,E$; PRINT "stored: ",A$," ",B$," ",C$," ",D$," ",E$
100 READ RECORD (1,KEY="7")R$; PRINT "record: ",HTA(R$)
110 WRITE (9)"UPDATE q_maps SET name='LongerName', amt=123.45"
120 READ RECORD (1,KEY="7")R$; PRINT "cut to the map's widths: [",R$(1,17),"]"
130 WRITE (1)"  8Empty "+"  "+"     ",""
140 READ (9,KEY="SELECT y IS NULL, amt IS NULL, d IS NULL FROM q_maps WHERE id=8")A$,B$,C$; PRINT "empty year, number, date are NULL: ",A$,B$,C$
150 CLOSE (1)
160 REM a map with an item without a format takes the table's types for every item
170 OPEN (1)"[mysql]orutest;q_maps;REC=id,name:6,amt:2,y;KEY=id"; READ (1,KEY="7")A,N$,AMT,Y; PRINT "table's types: ",A," [",N$,"] ",AMT," ",Y; CLOSE (1)
180 REM a number right after a fixed-width field is right-aligned to its width
190 OPEN (1)"[mysql]orutest;q_maps;REC=id:2.0,name:4+amt:8.2,y:4;NONUMADJ=Y;KEY=id"; READ RECORD (1,KEY="7")R$; PRINT "[",R$(1,1),"|",R$(3,12),"]"; CLOSE (1)
200 REM EXTRACT locks the row FOR UPDATE, or in share mode under XI, or as EXTROPT says
210 OPEN (1)"[mysql]orutest;q_maps;KEY=id"; EXTRACT (1,KEY="7")R$; PRINT KEN(1); READ (1,KEY="7")R$; CLOSE (1)
220 SET_PARAM 'XI'
230 OPEN (1)"[mysql]orutest;q_maps;KEY=id"; EXTRACT (1,KEY="7")R$; PRINT KEN(1); READ (1,KEY="7")R$; CLOSE (1)
240 SET_PARAM -'XI'
250 OPEN (1)"[mysql]orutest;q_maps;KEY=id;EXTROPT=LOW_PRIORITY"; PRINT "EXTROPT in front of WHERE: "; EXTRACT (1,KEY="7",ERR=260)R$; PRINT "extracted?"; GOTO 270
260 M$=MSG(-1); PRINT ERR," ",M$(1,11)," ",KEN(1)
270 CLOSE (1)
282 REM a two-digit year written under DATEFMT takes the century of parameter +Y (2000 when it is 0)
284 OPEN (1)"[mysql]orutest;q_maps;REC=id,d;KEY=id;DATEFMT=YYMMDD"; WRITE (1)7,"991231"; SET_PARAM '+Y'=19; WRITE (1)8,"991231"; SET_PARAM '+Y'=0; CLOSE (1)
286 READ (9,KEY="SELECT d FROM q_maps WHERE id=7")D$; READ (9,KEY="SELECT d FROM q_maps WHERE id=8")E$; PRINT "two-digit years: ",D$," ",E$
287 REM which date columns are dates: DATE and DATETIME by default, TIMESTAMP only when asked for
288 WRITE (9)"DROP TABLE IF EXISTS q_ts"; WRITE (9)"CREATE TABLE q_ts (id INT PRIMARY KEY, d DATE, dt DATETIME, ts TIMESTAMP NULL)"
289 WRITE (9)"INSERT INTO q_ts VALUES (1, '2024-02-29', '2024-03-01 10:11:12', '2024-03-02 13:14:15')"
290 OPEN (1)"[mysql]orutest;q_ts;KEY=id"; READ (1,KEY="1")A,D$,DT$,TS$; PRINT "defaults: ",HTA(D$)," ",HTA(DT$)," ",TS$; CLOSE (1)
291 OPEN (1)"[mysql]orutest;q_ts;KEY=id;DATE_CONVERT=N;DATETIME_CONVERT=N;TIMESTAMP_CONVERT=Y"; READ (1,KEY="1")A,D$,DT$,TS$; PRINT "switched: ",D$," ",DT$," ",HTA(TS$); CLOSE (1)
292 OPEN (1)"[mysql]orutest;q_ts;KEY=id;STDDATE;TIMESTAMP_CONVERT=Y"; READ (1,KEY="1")A,D$,DT$,TS$; PRINT "STDDATE: ",D$," ",DT$," ",TS$; CLOSE (1)
293 WRITE (9)"DROP TABLE q_ts"
294 WRITE (9)"DROP TABLE q_maps"
300 END
RUN
