10 REM Single-byte text goes to the server and comes back as it stands, in latin1 and utf8mb4 columns alike
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS l_text"
40 WRITE (9)"CREATE TABLE l_text (k CHAR(4) PRIMARY KEY, l VARCHAR(300) CHARACTER SET latin1, u VARCHAR(300) CHARACTER SET utf8mb4)"
50 OPEN (1)"[mysql]orutest;l_text;KEY=k"
60 WRITE (1)"a","caf"+$E9$,"caf"+$E9$
70 READ (1,KEY="a")K$,L$,U$
80 PRINT "latin1 ",HTA(L$)," utf8mb4 ",HTA(U$)
90 LET A$=""
100 FOR I=32 TO 254
104 IF I<>138 THEN LET A$=A$+CHR(I)
108 NEXT I
110 WRITE (1)"all",A$,A$
120 READ (1,KEY="all")K$,L$,U$
130 PRINT LEN(A$)," bytes 32-254 but the separator: latin1 ",L$=A$," utf8mb4 ",U$=A$
140 REM the server holds the text as the characters those bytes stand for
150 READ (9,KEY="SELECT HEX(CONVERT(u USING utf8mb4)) FROM l_text WHERE k='a'")H$
160 PRINT "stored as ",H$
170 WRITE (9)"DROP TABLE l_text"
RUN
