REM What FIN( and FIB( say of indexed files: the record count from the
REM header (also after another channel writes), the limit, the record size,
REM the host length, FILE_CREATE, IND( and RNO(, and a read past the count
REM of a file with a limit that must not keep a later write from counting.
10 OPEN (9)"<rm -rf t_ifo; mkdir t_ifo && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 INDEXED "t_ifo/free",0,16
110 OPEN (1)"t_ifo/free"
120 OPEN (2)"t_ifo/free"
130 GOSUB 1000
140 WRITE (1,IND=4)"five"
150 PRINT "after a write at index 4:"
160 GOSUB 1000
170 WRITE (2,IND=6)"seven"
180 PRINT "channel 1 after channel 2 wrote index 6: records ",FIN(1,"NUMREC")," length ",FIN(1,"FILELENGTH")
190 READ (1,IND=2)A$
200 PRINT "read index 2: IND ",IND(1)," RNO ",RNO(1)
210 READ (1,IND=6)A$
220 PRINT "read index 6: IND ",IND(1,ERR=230)
230 IF ERR=2 THEN PRINT "past the count: error 2"
240 PRINT "RNO( past the count: ",RNO(1,ERR=250)
250 IF ERR=2 THEN PRINT "error 2"
260 PRINT "no keys: KEY( ",KEY(1,ERR=270)
270 PRINT "error",ERR," KEY_DEFINITION [",FIN(1,"KEY_DEFINITION"),"] names [",FIN(1,"KEY_NAMES"),"] key size ",FIN(1,"KEY_SIZE")
280 CLOSE (1); CLOSE (2)
300 INDEXED "t_ifo/lim",10,20,SEP=";"
310 OPEN (1)"t_ifo/lim"
320 GOSUB 1000
330 READ (1,IND=7)A$
340 WRITE (1,IND=5)"x"
350 OPEN (2)"t_ifo/lim"
360 PRINT "limit file after reading 7 and writing 5: records ",FIN(1,"NUMREC"),", seen on another channel ",FIN(2,"NUMREC")
370 PRINT "IND ",IND(1)," RNO ",RNO(1)," separator ",FIN(1,"SEPARATOR")
380 READ (1,IND=9)A$
390 PRINT "at the limit: IND ",IND(1,ERR=400)
400 IF ERR=2 THEN PRINT "error 2"
410 CLOSE (1); CLOSE (2)
420 REM FILE_CREATE makes a file like this one
430 OPEN (1)"t_ifo/lim"
440 C$=FIN(1,"FILE_CREATE")
450 CLOSE (1)
460 C$=C$(1,POS("lim"=C$)-1)+"copy"+C$(POS("lim"=C$)+3)
470 PRINT C$
480 INDEXED "t_ifo/copy",10,20,SEP=";"
490 OPEN (1)"t_ifo/copy"
500 PRINT "the copy: ",FIN(1,"FILE_CREATE")
510 GOSUB 1000
520 CLOSE (1)
530 INDEXED "t_ifo/nosep",3,8,SEP=""
540 OPEN (1)"t_ifo/nosep"
550 PRINT FIN(1,"FILE_CREATE")
560 CLOSE (1)
900 OPEN (9)"<rm -rf t_ifo; echo done"
910 READ (9)A$
920 CLOSE (9)
930 PRINT A$
940 END
1000 REM the channel's count, limit, sizes and FIB fields
1010 F$=FIB(1)
1020 PRINT "  records ",FIN(1,"NUMREC")," limit ",FIN(1,"MAXREC")," rsz ",FIN(1,"RSZ")," length ",FIN(1,"FILELENGTH")," ",FIN(1,"FILE_CREATE")
1030 L=DEC($00$+F$(23,1)+F$(22,1)+F$(21,1))
1040 PRINT "  FIB: records",DEC($00$+F$(1,3))," index",DEC($00$+F$(12,3))," rsz",DEC($00$+F$(15,2))," kind ",F$(10,1),F$(19,1)," length",L," name [",CVS(F$(85,12),2),"]"
1050 RETURN
RUN
