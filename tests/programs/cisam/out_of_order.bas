REM A C-ISAM index whose inner node is out of order (one byte of a
REM separator overwritten, so that it claims keys of the next node) is error
REM 120 when reading on in key order, rather than a read that goes back to
REM records already read, without end.
10 OPEN (1)"orders.idx"
20 FOR I=1 TO 300; WRITE RECORD (1)STR(I:"000000")+PAD("N"+STR(MOD(I*7,31):"00"),10)+STR(MOD(I,9):"0000")+PAD("",10); NEXT I
30 CLOSE (1)
40 INVOKE "printf 'separator %s\n' $(dd if=orders.idx bs=1 skip=3075 count=10 2>/dev/null); printf '9' | dd of=orders.idx bs=1 seek=3082 conv=notrunc 2>/dev/null"
50 OPEN (1)"orders.idx"
60 READ RECORD (1,KNO=2,KEY="",DOM=70)R$
70 N=0
80 READ RECORD (1,KNO=2,END=110,ERR=120)R$; N=N+1
90 IF N<1000 THEN GOTO 80
100 PRINT "still reading after ",N," records"; GOTO 130
110 PRINT "end after ",N," records"; GOTO 130
120 PRINT "reading by quantity: error ",ERR
130 READ RECORD (1,KNO=0,KEY="000150")R$; PRINT "by number: ",R$(1,20)
140 CLOSE (1)
RUN
