REM Serial files: lines, the last one without a newline, rewinding with IND=,
REM truncation by a write after reads, append, refusals.
10 OPEN (9)"<rm -rf t_serial; mkdir t_serial && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 REM a, newline, b without a newline: two lines, then the end
110 SERIAL "t_serial/ab"
120 OPEN LOCK (1,BIN=1)"t_serial/ab"
130 WRITE RECORD (1)"a"+$0A$+"b"
140 CLOSE (1)
150 OPEN (1)"t_serial/ab"
160 READ RECORD (1,END=190)X$
170 PRINT "line [",X$,"]"
180 GOTO 160
190 PRINT "end of file, error",ERR
200 CLOSE (1)
300 REM four lines; rewind after three; writing after two reads cuts there
310 SERIAL "t_serial/four"
320 OPEN LOCK (1)"t_serial/four"
330 FOR I=1 TO 4
340 WRITE RECORD (1)"line "+STR(I)
350 NEXT I
360 CLOSE (1)
370 OPEN LOCK (1)"t_serial/four"
380 FOR I=1 TO 3
381 READ RECORD (1)X$
382 NEXT I
385 READ RECORD (1)X$
386 PRINT "fourth: ",X$
390 READ RECORD (1,IND=0)X$
400 PRINT "after IND=0: ",X$," index ",IND(1)
410 READ RECORD (1)X$
420 WRITE RECORD (1)"new third"
430 READ RECORD (1,ERR=440)X$
435 GOTO 450
440 PRINT "read after write: error",ERR
450 CLOSE (1)
460 OPEN (1)"t_serial/four"
470 READ RECORD (1,END=500)X$
480 PRINT X$
490 GOTO 470
500 PRINT "lines read:",IND(1)
510 CLOSE (1)
600 REM a shared open may not write; OPEN END appends after the last line
610 OPEN (1)"t_serial/four"
620 WRITE RECORD (1,ERR=640)"nope"
630 GOTO 650
640 PRINT "shared write: error",ERR
650 CLOSE (1)
660 OPEN END LOCK (1)"t_serial/four"
670 PRINT "appending at",IND(1)
680 WRITE RECORD (1)"appended"
690 CLOSE (1)
700 OPEN INPUT (1)"t_serial/four"
710 READ RECORD (1,IND=3)X$
720 PRINT "line 4: ",X$
730 WRITE RECORD (1,ERR=750)"x"
740 GOTO 760
750 PRINT "input-only write: error",ERR
760 CLOSE (1)
800 REM fields: WRITE puts the separator after each field, READ splits
810 OPEN LOCK (1)"t_serial/four"
820 PURGE (1)
830 WRITE (1)"Smith",42.5,"x y"
840 CLOSE (1)
850 OPEN (1)"t_serial/four"
860 READ (1)N$,V,T$
870 PRINT N$,"/",V,"/",T$
880 CLOSE (1)
900 ERASE "t_serial/ab","t_serial/four"
910 ERASE "t_serial"
920 OPEN (1,ERR=940)"t_serial"
930 END
940 PRINT "after ERASE: error",ERR
RUN
