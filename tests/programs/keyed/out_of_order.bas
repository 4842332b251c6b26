REM An index out of order is error 105 rather than a wrong result or a
REM read loop without end: a leaf entry in the middle overwritten with a
REM high key (reads that search the leaf stopped there, so that a record
REM that is there was missing and reading on came back to the same records),
REM and the last entry of a leaf overwritten with a low key (reading on went
REM back to the first records).  KEYED LOAD puts the key right.
10 KEYED "ooo","[1:1:4],[2:1:3]",0,20
20 OPEN (1)"ooo"
30 FOR I=1 TO 999; WRITE (1)STR(I:"0000"),STR(I:"000"); NEXT I
40 CLOSE (1)
50 INVOKE "be(){ od -An -tu1 -j$1 -N4 ooo | awk '{print $1*16777216+$2*65536+$3*256+$4}'; }; l=$(be $(($(be 44)+6))); printf '\377' | dd of=ooo bs=1 seek=$((l+6+63*12+5)) conv=notrunc 2>/dev/null"
60 OPEN (1)"ooo"; GOSUB 1000
70 READ (1,KNO=1,KEY="100",DOM=80,ERR=90)A$; PRINT "found ",A$; GOTO 100
80 PRINT "a key that is there is missing"; GOTO 100
90 PRINT "reading by a key of the damaged leaf: error ",ERR
100 READ (1,KNO=0,KEY="0100")A$,B$; PRINT "by key 0: ",A$," ",B$
110 KEYED LOAD (1,KNO=1); GOSUB 1000; CLOSE (1)
120 INVOKE "be(){ od -An -tu1 -j$1 -N4 ooo | awk '{print $1*16777216+$2*65536+$3*256+$4}'; }; l=$(be $(($(be 44)+18))); n=$(od -An -tu1 -j$((l+5)) -N1 ooo); printf '000' | dd of=ooo bs=1 seek=$((l+6+(n-1)*12+5)) conv=notrunc 2>/dev/null"
130 OPEN (1)"ooo"; GOSUB 1000
140 KEYED LOAD (1,KNO=1); GOSUB 1000
150 CLOSE (1); ERASE "ooo"; STOP
1000 READ (1,KNO=1,KEY="",DOM=1010)
1010 N=0
1020 READ (1,KNO=1,END=1040,ERR=1050)A$; N=N+1; IF N<3000 THEN GOTO 1020
1030 PRINT "key 1 still read after ",N," records"; RETURN
1040 PRINT "key 1 holds ",N," records"; RETURN
1050 PRINT "key 1 in order: error ",ERR," after ",N," records"; RETURN
RUN
