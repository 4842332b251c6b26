REM Indexed files: a record limit, gaps that read as NUL bytes, the record
REM count in the header, SEP=, PURGE with and without a limit, two channels
REM on one file, and a record too long for the file.
10 OPEN (9)"<rm -rf t_ind; mkdir t_ind && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 INDEXED "t_ind/lim",10,20
110 OPEN (1)"t_ind/lim"
120 READ RECORD (1,IND=9)A$
130 PRINT "record 9 of a new file: ",LEN(A$)," bytes, NUL: ",A$=$0000000000000000000000000000000000000000$
140 WRITE (1,IND=10,ERR=160)"x"
150 PRINT "wrote past the limit?"
160 PRINT "past the limit: error",ERR
162 SET_PARAM 'I2'
164 WRITE (1,IND=10)"x"
166 PRINT "with I2 the write past the limit is allowed"
168 SET_PARAM -'I2'
170 READ (1,IND=10,ERR=190)A$
180 PRINT "read past the limit?"
190 PRINT "IND=10: error",ERR
200 CLOSE (1)
210 OPEN (9)"<wc -c < t_ind/lim"
220 READ (9)A$
230 CLOSE (9)
240 PRINT "size with a limit of 10 records of 20: ",A$
300 INDEXED "t_ind/open",0,20
310 OPEN (1)"t_ind/open"
320 WRITE (1,IND=5)"abc"
330 CLOSE (1)
340 OPEN (9)"<wc -c < t_ind/open; od -An -tu1 -j14 -N4 t_ind/open"
350 READ (9)A$
355 READ (9)B$
360 CLOSE (9)
370 PRINT "size after IND=5: ",A$,", count bytes:",B$
380 OPEN (1)"t_ind/open"
390 READ RECORD (1,IND=0)A$
400 PRINT "gap record 0 is NUL: ",A$=$0000000000000000000000000000000000000000$
410 READ RECORD (1,IND=5)A$
420 PRINT "record 5: ",A$(1,3),", length ",LEN(A$)
430 READ (1,END=450)A$
440 PRINT "read past the count?"
450 PRINT "after the last record: error",ERR
460 WRITE (1,IND=1,ERR=480)"1234567890123456789012"
470 PRINT "a 22-byte record in 20?"
480 PRINT "record too long: error",ERR
490 PURGE (1)
500 READ (1,IND=0,END=520)A$
510 PRINT "read after PURGE?"
520 PRINT "after PURGE: error",ERR
530 CLOSE (1)
540 OPEN (9)"<wc -c < t_ind/open"
550 READ (9)A$
560 CLOSE (9)
570 PRINT "size after PURGE: ",A$
600 INDEXED "t_ind/sep",0,30,SEP=";"
610 OPEN (1)"t_ind/sep"
620 WRITE (1)"one","two"
630 READ (1,IND=0)A$,B$
640 PRINT "fields: ",A$," and ",B$
650 PRINT "separator: ",SEP(1)=";"
660 CLOSE (1)
700 REM two channels on one file see each other's records and count
710 OPEN (1)"t_ind/open"
720 OPEN (2)"t_ind/open"
730 WRITE (1,IND=2)"from 1"
740 WRITE (2,IND=3)"from 2"
750 READ (2,IND=2)A$
760 READ (1,IND=3)B$
770 PRINT A$," / ",B$
780 CLOSE (1)
790 CLOSE (2)
800 INDEXED "t_ind/bad",0,40000,ERR=820
810 PRINT "40000-byte records?"
820 PRINT "record length 40000: error",ERR
830 INDEXED "t_ind/open",0,10,ERR=850
840 PRINT "created twice?"
850 PRINT "existing name: error",ERR
860 INDEXED "t_ind/lim2",5,8
870 OPEN (1)"t_ind/lim2"
880 WRITE (1,IND=4)"last"
890 PURGE (1)
900 READ RECORD (1,IND=4)A$
910 PRINT "limited file after PURGE: ",A$=$0000000000000000$
920 CLOSE (1)
930 OPEN (9)"<rm -rf t_ind; echo done"
940 READ (9)A$
950 CLOSE (9)
960 PRINT A$
RUN
