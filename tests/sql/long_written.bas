10 REM Values of LONGTEXT and MEDIUMTEXT columns longer than 65,535 bytes are read and written back whole; a map that lays such a column at full width without a length of its own is refused at OPEN (error 10)
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS long_written"
40 WRITE (9)"CREATE TABLE long_written (k VARCHAR(10) PRIMARY KEY, v LONGTEXT, m MEDIUMTEXT, n INT)"
50 WRITE (9)"INSERT INTO long_written VALUES ('one', CONCAT(REPEAT('a',100000),'end'), REPEAT('m',70000), 1)"
60 OPEN (1)"[mysql]orutest;long_written;KEY=k"
70 READ (1,KEY="one")K$,V$,M$,N
80 PRINT LEN(V$)," ",LEN(M$)
90 WRITE (1)K$,V$+"more",M$,N+1
100 WRITE (1)"two",DIM(200000,"x"),DIM(80000,"y"),2
110 READ (9,KEY="SELECT k,LENGTH(v),RIGHT(v,7),LENGTH(m),n FROM long_written ORDER BY k")K$,L,R$,M,N; PRINT K$," ",L," ",R$," ",M," ",N
120 READ (9,END=130)K$,L,R$,M,N; PRINT K$," ",L," ",R$," ",M," ",N; GOTO 120
130 CLOSE (1)
140 OPEN (1,ERR=150)"[mysql]orutest;long_written;REC=k+v+n"; PRINT "opened"; GOTO 160
150 PRINT "full width: ",ERR
160 OPEN (1)"[mysql]orutest;long_written;REC=k:10+v:20+n:4.0"; READ (1)K$,V$; PRINT K$,V$
170 CLOSE (1); WRITE (9)"DROP TABLE long_written"; CLOSE (9)
RUN
