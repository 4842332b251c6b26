10 REM A value longer than a fetch buffer (64 KB) is fetched again whole and comes back unchanged
20 OPEN (9)"[mysql]orutest"
30 WRITE (9)"DROP TABLE IF EXISTS long_values"
40 WRITE (9)"CREATE TABLE long_values (k VARCHAR(10) PRIMARY KEY, v LONGBLOB)"
50 WRITE (9)"INSERT INTO long_values VALUES ('one', CONCAT(REPEAT('a',70000),'end')), ('two', CONCAT(REPEAT('b',9000),'end'))"
60 OPEN (1)"[mysql]orutest;long_values;KEY=k"
70 READ (1,END=100)K$,V$
80 PRINT K$," ",LEN(V$)," ",V$=DIM(LEN(V$)-3,V$(1,1))+"end"
90 GOTO 70
100 CLOSE (1); WRITE (9)"DROP TABLE long_values"; CLOSE (9)
RUN
