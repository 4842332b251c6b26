10 REM Seventy channels on one table each hold a share slot of their own; TAVRODATE dates that are no six-byte date are refused by the server as other malformed dates are (never NULL); the DEBUG tag goes to the server with the statement
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS tds"
40 WRITE (9)"CREATE TABLE tds (k VARCHAR(10) PRIMARY KEY, d DATE)"
50 FOR I=11 TO 80; OPEN (I,ERR=70)"[mysql]orutest;tds;UNIQUE;KEY=k"; NEXT I
60 PRINT "70 channels open"; GOTO 80
70 PRINT "channel ",I,": ",ERR
80 FOR J=11 TO I-1; CLOSE (J); NEXT J
90 OPEN (1)"[mysql]orutest;tds;KEY=k;TAVRODATE"
100 WRITE (1,ERR=110)"a","AB"; PRINT "AB written"; GOTO 120
110 PRINT "AB: ",ERR
120 WRITE (1,ERR=130)"b",$3F$+$48$+"02"; PRINT "short written"; GOTO 140
130 PRINT "short: ",ERR
140 WRITE (1,ERR=150)"c",$3F$+$48$+"1399"; PRINT "bad month written"; GOTO 160
150 PRINT "bad month: ",ERR
160 WRITE (1)"d",$3F$+$48$+"0102"
170 READ (9,KEY="SELECT k,d FROM tds ORDER BY k")K$,D$; PRINT K$," ",D$
180 READ (9,END=190)K$,D$; PRINT K$," ",D$; GOTO 180
190 CLOSE (1)
200 OPEN (2)"[mysql]orutest;;DEBUG=--"
210 READ (2,KEY="SELECT INFO FROM information_schema.PROCESSLIST WHERE ID=CONNECTION_ID()")I$
220 PRINT I$
230 PRINT KEN(2)
240 CLOSE (2); WRITE (9)"DROP TABLE tds"; CLOSE (9)
RUN
