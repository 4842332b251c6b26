REM A leaf of the index whose entries are out of order (one key byte
REM overwritten) is error 105 for reads that search it, rather than a read
REM loop that keeps coming back to the same records or a record that is
REM there and is not found.  KEYED LOAD puts the key right.
10 KEYED "ooo","[1:1:4],[2:1:3]",0,20
20 OPEN (1)"ooo"
30 FOR I=1 TO 999; WRITE (1)STR(I:"0000"),STR(I:"000"); NEXT I
40 CLOSE (1)
50 INVOKE "r=$(od -An -tu1 -j44 -N4 ooo | awk '{print $1*16777216+$2*65536+$3*256+$4}'); l=$(od -An -tu1 -j$((r+6)) -N4 ooo | awk '{print $1*16777216+$2*65536+$3*256+$4}'); printf '\377' | dd of=ooo bs=1 seek=$((l+6+63*12+5)) conv=notrunc 2>/dev/null"
60 OPEN (1)"ooo"
70 READ (1,KNO=1,KEY="",DOM=80)
80 N=0
90 READ (1,KNO=1,END=120,ERR=130)A$; N=N+1
100 IF N<3000 THEN GOTO 90
110 PRINT "still reading after ",N," records"; GOTO 140
120 PRINT "end after ",N," records"; GOTO 140
130 PRINT "reading key 1 in order: error ",ERR
140 READ (1,KNO=1,KEY="100",DOM=150,ERR=160)A$; PRINT "found ",A$; GOTO 170
150 PRINT "a key that is there is missing"; GOTO 170
160 PRINT "reading by a key of the damaged leaf: error ",ERR
170 READ (1,KNO=0,KEY="0100")A$,B$; PRINT "by key 0: ",A$," ",B$
180 KEYED LOAD (1,KNO=1)
190 READ (1,KNO=1,KEY="",DOM=200)
200 N=0
210 READ (1,KNO=1,END=220)A$; N=N+1; GOTO 210
220 PRINT "after the rebuild key 1 holds ",N," records"
230 CLOSE (1); ERASE "ooo"
RUN
