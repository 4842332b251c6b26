REM DUMP to a channel: the same text as on the console, written through the
REM channel's line ends; every level and one object; a keyed channel and a
REM channel that is not open are refused.
10 ERASE "dmp.txt",ERR=*NEXT; ERASE "dmp.key",ERR=*NEXT
20 SERIAL "dmp.txt"
30 OPEN LOCK (1)"dmp.txt"
40 A=2; B$="AB"+$0A0D$+"C"; %Q$="g"; Z=0
50 GOSUB 300
60 CLOSE (1)
70 OPEN (1)"dmp.txt"
80 REPEAT; READ (1,END=*BREAK)L$; PRINT "[",L$,"]"; UNTIL 0
90 CLOSE (1)
100 DUMP (7,ERR=110)
110 PRINT "closed:",ERR
120 KEYED "dmp.key",4,0,20
130 OPEN (2)"dmp.key"
140 DUMP (2,ERR=150)
150 PRINT "keyed:",ERR
160 CLOSE (2); ERASE "dmp.txt"; ERASE "dmp.key"
170 END
300 FOR I=1 TO 1
310 DUMP (1)/
320 NEXT I
330 RETURN
RUN
