REM A TABLE line in a running program: its hexadecimal data serve TBL=
10 TABLE FF 00 41 42 43
20 PRINT "before"
30 SERIAL "tbl.txt",ERR=*NEXT; OPEN LOCK (1)"tbl.txt"; WRITE (1)$010203$; CLOSE (1)
40 OPEN (1)"tbl.txt"; READ (1,TBL=10)A$; PRINT A$; CLOSE (1)
50 TABLE $FF002A2B$; PRINT "after a table statement"
60 OPEN (1)"tbl.txt"; READ (1,TBL=50)A$; PRINT A$(1,2); CLOSE (1)
70 OPEN (1)"tbl.txt"; READ (1,TBL=20,ERR=80)A$
80 PRINT "not a TABLE line:",ERR; CLOSE (1)
LIST 10,50
RUN
10 TABLE 0A0
10 TABLE 0G
LIST 10
