10 REM An empty KEY= names the row whose key columns are NULL (an empty string under NONULLS); a text too long for its field is cut to it
20 OPEN (9)"[mysql]orutest"; WRITE (9)"DROP TABLE IF EXISTS e_keys"
30 WRITE (9)"CREATE TABLE e_keys (id INT PRIMARY KEY, code VARCHAR(6), note VARCHAR(5), KEY bycode(code))"
40 OPEN (1)"[mysql]orutest;e_keys;KEY=id;KEY=code"
50 WRITE (1)1,"","one"; WRITE (1)2,"B","two"; WRITE (1)3,"C","three"
60 READ (1,KNO=1,KEY="")I,C$,N$; PRINT "KEY="""" on a NULL code: ",I," [",C$,"] ",N$
70 READ (1,KNO=1)I,C$; PRINT "next: ",I," ",C$
80 REMOVE (1,KEY=1); READ (1,KNO=1,KEY="",DOM=90)I; PRINT "found?"
90 PRINT "no NULL code left: DOM=; next READ: ",; READ (1,KNO=1)I,C$; PRINT I," ",C$
100 CLOSE (1)
110 REM under NONULLS the empty code is written and compared as ''
120 OPEN (1)"[mysql]orutest;e_keys;NONULLS=Y;KEY=id;KEY=code"
130 WRITE (1)4,"","four"
140 READ (1,KNO=1,KEY="")I,C$,N$; PRINT "NONULLS, KEY="""": ",I," ",N$
150 READ (9,KEY="SELECT COUNT(*) FROM e_keys WHERE code = ''")N$; PRINT "empty strings stored: ",N$
160 CLOSE (1)
170 REM a field longer than its column is cut to the column's length
180 OPEN (1)"[mysql]orutest;e_keys;KEY=id"
190 WRITE (1)5,"ABCDEFGHIJ","much too long"
200 READ (1,KEY=5)I,C$,N$; PRINT "cut: [",C$,"] [",N$,"]"
210 WRITE (1)6,"XY","12345"; READ (1,KEY=6)I,C$,N$; PRINT "exact: [",C$,"] [",N$,"]"
220 CLOSE (1)
230 WRITE (9)"DROP TABLE e_keys"
240 END
RUN
