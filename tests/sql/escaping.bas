10 REM Keys and values with quotes, backslashes, NUL bytes, % and _ go to the server as bound values and come back unchanged
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS `e_odd-name`"
40 WRITE (9)"CREATE TABLE `e_odd-name` (k VARBINARY(40) PRIMARY KEY, `the value` VARBINARY(100), n INT)"
50 OPEN (1)"[mysql]orutest;e_odd-name;KEY=k"
60 DIM K$[8]
70 LET K$[0]="it's",K$[1]="say ""hi""",K$[2]="back\slash\",K$[3]="nul"+CHR(0)+"byte",K$[4]="100%",K$[5]="a_b",K$[6]="x' OR '1'='1",K$[7]="'; DROP TABLE `e_odd-name`; --"
80 LET K$[8]="\'"+CHR(0)+"%_"""
90 FOR I=0 TO 8
100 WRITE (1)K$[I],"v:"+K$[I]+K$[8-I],I
110 NEXT I
120 PRINT "rows: ",FIN(1,"NUMREC")
130 LET BAD=0
140 FOR I=0 TO 8
150 READ (1,KEY=K$[I],DOM=190)A$,B$,N
160 IF A$<>K$[I] OR B$<>"v:"+K$[I]+K$[8-I] OR N<>I THEN LET BAD=BAD+1
170 GOTO 200
190 PRINT "not found: ",I; LET BAD=BAD+1
200 NEXT I
210 PRINT "read back by key, differences: ",BAD
220 REM a LIKE pattern in a key is no pattern: only the exact key is found
230 READ (1,KEY="%",DOM=*NEXT)A$; PRINT "KEY=""%"" is not found"
240 READ (1,KEY="a%",DOM=*NEXT)A$; PRINT "KEY=""a%"" is not found"
250 REM in key order every row once
260 READ (1,KEY="",DOM=*NEXT)
270 LET C=0
280 READ (1,END=310)A$,B$,N
290 LET C=C+1,X$=X$+STR(N)
300 GOTO 280
310 PRINT "in key order: ",C," rows, values ",X$
320 REMOVE (1,KEY=K$[6])
330 READ (1,KEY=K$[7])A$,B$,N; PRINT "still there after the others: ",N
340 PRINT "rows: ",FIN(1,"NUMREC")
350 CLOSE (1)
360 WRITE (9)"DROP TABLE `e_odd-name`"
370 CLOSE (9)
380 END
RUN
