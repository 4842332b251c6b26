REM Field format items and masks in I/O lists: each record is written with
REM formats, shown byte for byte (HTA), and read back through the same formats.
10 OPEN (9)"<rm -rf t_fmt; mkdir t_fmt && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 SERIAL "t_fmt/f"
50 OPEN LOCK (1)"t_fmt/f"
60 WRITE (1)"AB":CHR(5),12:NUM(4),-12:SGN(4),"x""y":STR(6),"Q":STR(-),-2:BIN(2),65534:INT(2),3.14159:DEC(8,2),7
70 WRITE (1)SEP=";","a,b":STR(","),"c":CHR(","),1.25:NUM(5,2),"e  ":LEN(3,SEP=""),"tail"
80 WRITE (1)SEP=";",1234.5:"#,##0.00","abc":"XXX",*:CHR(3),"end"
90 CLOSE (1)
100 OPEN (1)"t_fmt/f"
110 READ RECORD (1)R$
120 PRINT HTA(R$)
130 READ RECORD (1)R$
140 PRINT R$
150 READ RECORD (1)R$
160 PRINT R$
170 CLOSE (1)
200 OPEN (1)"t_fmt/f"
210 READ (1)A$:CHR(5),B:NUM(4),C:SGN(4),D$:STR(6),E$:STR(-),F:BIN(2),G:INT(2),H:DEC(8,2),I
220 PRINT "[",A$,"]",B,C," [",D$,"] [",E$,"]",F,G,H,I
230 READ (1)SEP=";",A$:STR(","),B$:CHR(","),C:NUM(5,2),D$:LEN(3,SEP=""),E$
240 PRINT "[",A$,"] [",B$,"]",C," [",D$,"] [",E$,"]"
250 READ (1)SEP=";",X:"#,##0.00",Y$,*:CHR(3),Z$
260 PRINT X," [",Y$,"] [",Z$,"]"
270 CLOSE (1)
300 REM a 2-byte BIN field FF FE is -2, the same bytes through INT are 65534
310 OPEN PURGE (1)"t_fmt/f"
320 WRITE RECORD (1)$FFFE0A$
330 CLOSE (1)
340 OPEN (1)"t_fmt/f"
350 READ (1)P:BIN(2)
360 READ (1,IND=0)Q:INT(2)
370 PRINT P,Q
380 CLOSE (1)
400 REM values a field cannot hold are refused and nothing is written
410 OPEN PURGE (1)"t_fmt/f"
420 WRITE (1,ERR=430)12345:NUM(3)
425 PRINT "not reached"
430 PRINT "NUM too long: error",ERR
440 WRITE (1,ERR=450)300:BIN(1)
445 PRINT "not reached"
450 PRINT "BIN out of range: error",ERR
460 WRITE (1,ERR=470)5:STR(-)
465 PRINT "not reached"
470 PRINT "number as STR(-): error",ERR
480 WRITE (1,ERR=490)"x":CHR(0)
485 PRINT "not reached"
490 PRINT "length 0: error",ERR
500 WRITE (1,ERR=510)1:SGN(1)
505 PRINT "not reached"
510 PRINT "SGN of one byte: error",ERR
520 WRITE (1,ERR=530)1:BIN(9)
525 PRINT "not reached"
530 PRINT "BIN of nine bytes: error",ERR
540 WRITE (1)"kept"
550 CLOSE (1)
560 OPEN (1)"t_fmt/f"
570 READ (1)A$
580 READ (1,END=600)B$
590 PRINT "more: ",B$
600 PRINT "only: ",A$
610 CLOSE (1)
700 REM a whole array through one format; a short record leaves the rest empty
710 DIM K$[2]
720 K$[0]="a"; K$[1]="bb"; K$[2]="ccc"
730 OPEN PURGE (1)"t_fmt/f"
740 WRITE (1)K$[ALL]:CHR(3)
750 CLOSE (1)
760 OPEN (1)"t_fmt/f"
770 READ RECORD (1)R$
780 PRINT "[",R$,"]"
790 READ (1,IND=0)L$:CHR(4),M$:CHR(4),N$:CHR(4),O$
800 PRINT "[",L$,"] [",M$,"] [",N$,"] [",O$,"]"
810 CLOSE (1)
900 OPEN (9)"<rm -rf t_fmt; echo done"
910 READ (9)A$
920 CLOSE (9)
930 PRINT A$
RUN
