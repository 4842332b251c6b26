REM Record data that looks like a block of the file (a zero type byte and
REM then the record's own file offset, at a 512-byte boundary) is record
REM data still: KEYED LOAD keeps the records after it in the index.  With
REM 100-byte records, file offset 3072 lies 60 bytes into field 2 of record 5.
DELETE
10 KEYED "look","[1:1:6]",0,100
20 OPEN (1)"look"
30 FOR I=1 TO 300; WRITE (1)STR(I:"000000"),"payload"; NEXT I
40 X$=DIM(60,"p")+ATH("0000000C00"); WRITE (1)"000005",X$
50 KEYED LOAD (1)
60 N=0; READ (1,KEY="",DOM=70)
70 READ (1,END=80)A$; N=N+1; GOTO 70
80 PRINT "by key ",N," of ",FIN(1,"NUMREC")
90 READ (1,KEY="000006",DOM=100)A$; PRINT "record 000006 found"; GOTO 110
100 PRINT "record 000006 lost"
110 READ (1,KEY="000005")A$,B$; PRINT "record 000005 ",LEN(B$)
120 CLOSE (1); ERASE "look"
RUN
