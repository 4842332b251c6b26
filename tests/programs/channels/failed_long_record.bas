REM A WRITE, INSERT or PRINT whose record is longer than the channel's
REM buffer sends part of it out before it ends; when it then fails, that part
REM comes back: a serial file, or a binary one that it lengthened, is cut
REM where it began (the text an earlier PRINT left pending stays for the next
REM record), a keyed file of extended records drops the pieces it saved.
REM A pipe's command has that part already: the line is ended there, so
REM that the next record reaches it as a line of its own.  Nothing of the failed record is
REM written later, and no record is lost.
10 DIM B[2]; L$=DIM(6000,"L"); A$="x"
20 SERIAL "flr.tmp"
30 OPEN LOCK (1,IOL=1000)"flr.tmp"
40 WRITE (1)"first"
50 PRINT (1)"abc",; WRITE (1,ERR=60)L$,B[5]
60 PRINT "write:",ERR
70 PRINT (1)"def",; INSERT DATA L$,A$,B[5],(1,ERR=80)
80 PRINT "insert:",ERR
90 PRINT (1,ERR=100)"ghi",L$,B[5],"x"
100 PRINT "print:",ERR
110 PRINT (1)"END"
120 CLOSE (1); OPEN (1)"flr.tmp"
130 READ RECORD (1,END=150)R$; PRINT LEN(R$)," ",R$(1,MIN(LEN(R$),12)); GOTO 130
150 CLOSE (1); ERASE "flr.tmp"
200 KEYED "flr.key","[1:1:4]",0,-100,OPT="X"
210 OPEN (1)"flr.key"
220 WRITE (1,ERR=230)"KK01",L$,B[5]
230 PRINT "keyed write:",ERR
240 WRITE RECORD (1)"KK02second"
250 WRITE (1,ERR=260)"KK02",L$(1,150),B[5]
260 PRINT "keyed write:",ERR
270 WRITE RECORD (1)"KK03third"
280 READ (1,KEY="",DOM=290)
290 READ RECORD (1,END=310)R$; PRINT LEN(R$)," ",R$; GOTO 290
310 CLOSE (1); ERASE "flr.key"
320 SERIAL "flr.bin"
330 OPEN LOCK (1,BIN=1)"flr.bin"
340 WRITE RECORD (1)"head"
350 PRINT (1)"ab",; WRITE (1,ERR=360)L$,B[5]
360 PRINT "binary write:",ERR
370 PRINT (1)"cd",; WRITE RECORD (1)"ef"
380 CLOSE (1); OPEN (1)"flr.bin"; READ RECORD (1,SIZ=20000)R$; PRINT LEN(R$)," ",R$
390 CLOSE (1); ERASE "flr.bin"
400 SET_PARAM 'WP'
410 OPEN (1)">cat > flr.out"
420 PRINT (1)"ab",; WRITE (1,ERR=430)L$,B[5]
430 PRINT "pipe write:",ERR
440 WRITE (1)"next"; CLOSE (1)
450 OPEN (1)"flr.out"
460 READ RECORD (1,END=480)R$; PRINT LEN(R$)," ",R$(1,MIN(LEN(R$),12)); GOTO 460
480 CLOSE (1); ERASE "flr.out"
490 END
1000 IOLIST Q$
RUN
