10 REM Channel information of each kind that exists: serial, binary, directory, pipe and the console
20 INVOKE "rm -rf oru_cf; mkdir oru_cf; printf 'ab\ncd\nef\n' >oru_cf/s.txt; printf '0123456789' >oru_cf/b.bin"
30 OPEN (1,OPT="note")"oru_cf/s.txt"
40 OPEN (2,BIN=5)"oru_cf/b.bin"
50 OPEN (3)"oru_cf"
60 OPEN (4)"<printf 'x\n'"
70 FOR C=0 TO 4
80 LET F$=FIB(C)
90 PRINT "channel",C," fib",LEN(F$)," type ",F$(19,1)," rsz",DEC(F$(15,2))," path [",CVS(F$(25,60),2),"]"
100 NEXT C
110 PRINT "serial: rsz=",FIN(1,"RSZ")," name=",FIN(1,"FILENAME")," create=",FIN(1,"FILE_CREATE")
120 PRINT "binary: rsz=",FIN(2,"RECORD_SIZE")," records=",FIN(2,"NUMREC")," length=",FIN(2,"FILELENGTH")
130 PRINT "opt=[",OPT(1),"] [",OPT(2),"] suppress=",FIN(1,"SUPPRESS_FF")," maxkno=",FIN(1,"MAXKNO")
140 READ (1)A$; READ (1)A$
150 PRINT "after two reads: ind",IND(1)," rno",RNO(1)," kec",DEC($00$+KEC(1))," kel",DEC($00$+KEL(1))," kef len",LEN(KEF(1))
160 PRINT "KEY( with KEY= gives the key: ",KEY(1,KEY="k1")
170 READ (2)B$; PRINT "binary ind after a read",IND(2)," ",B$
180 PRINT "FFN:",FFN("oru_cf/b.bin"),FFN("oru_cf/none")
190 PRINT "UTC time is a number:",NUM(FIN(1,"UTC_MTIME"))>0," local time length",LEN(FIN(1,"LCL_MTIME"))
200 PRINT FIN(1,"NO_SUCH_ITEM",ERR=300)
210 END
300 PRINT "unknown item: error",ERR
310 PRINT "closed channel:",FIN(9,ERR=400)
320 END
400 PRINT "closed channel: error",ERR
410 CLOSE (1); CLOSE (2); CLOSE (3); CLOSE (4)
420 INVOKE "rm -rf oru_cf"
RUN
