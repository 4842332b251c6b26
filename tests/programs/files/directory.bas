REM Directory channels: one entry per READ, "+INFO" records, refusals;
REM DIRECTORY, RENAME and ERASE.
10 OPEN (9)"<rm -rf t_dir t_dir2; echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 DIRECTORY "t_dir/"
110 DIRECTORY "t_dir",ERR=130
120 PRINT "no error?"
130 PRINT "DIRECTORY of an existing name: error",ERR
140 DIRECTORY "t_dir/sub"
150 SERIAL "t_dir/file"
160 OPEN (1)"t_dir"
165 LET N=0
170 READ (1,END=200)A$
180 PRINT A$
185 LET N=N+1
190 GOTO 170
200 PRINT "entries:",N
210 WRITE (1,ERR=230)"x"
220 PRINT "no error?"
230 PRINT "writing a directory: error",ERR
240 CLOSE (1)
300 OPEN (1,OPT="+INFO",SEP=",")"t_dir"
310 READ RECORD (1,END=370)A$
320 IF POS("sub"=A$)<>1 THEN GOTO 310
330 LET C=0
340 FOR I=1 TO LEN(A$)
350 IF A$(I,1)="," THEN LET C=C+1
360 NEXT I
362 LET S$=A$(POS(","=A$,1,3)+1,20)
365 PRINT A$(1,6)," separators:",C," stamp form:",S$(5,1),S$(8,1),S$(11,1),S$(14,1),S$(17,1),S$(20,1)

370 CLOSE (1)
400 SET_PARAM 'SD'
410 OPEN (1)"t_dir"
420 READ (1,END=450)A$
430 PRINT A$," ",
440 GOTO 420
450 PRINT
460 CLOSE (1)
470 SET_PARAM -'SD'
500 OPEN (1,BIN=1,ERR=520)"t_dir"
510 PRINT "no error?"
520 PRINT "a directory as a byte stream: error",ERR
600 RENAME "t_dir/file","t_dir/renamed"
610 RENAME "t_dir/sub","t_dir/renamed",ERR=630
620 PRINT "no error?"
630 PRINT "RENAME onto an existing name: error",ERR
640 RENAME "t_dir/gone","t_dir/other",ERR=660
650 PRINT "no error?"
660 PRINT "RENAME of a missing file: error",ERR
700 ERASE "t_dir/renamed","t_dir/sub","t_dir"
710 OPEN (1,ERR=730)"t_dir"
720 PRINT "no error?"
730 PRINT "erased: error",ERR
RUN
