REM A WRITE of a record the channel EXTRACTed gives its lock up: another
REM process then extracts the same record at once (first-format fixed and
REM variable, EFF and indexed files), while an extracted record not yet
REM written is busy (error 0) for it.
10 KEYED "first","4",0,20; KEYED "var","4",0,-20; KEYED "eff","4",0,20,OPT="1"; INDEXED "ind",2,20
20 FOR F=1 TO 4
30 READ DATA N$
40 OPEN (F)N$
50 IF N$="ind" THEN WRITE (F,IND=1)"held"; EXTRACT (F,IND=1)A$; WRITE (F,IND=1)"written" ELSE WRITE (F,KEY="0001")"held"; EXTRACT (F,KEY="0001")A$; WRITE (F,KEY="0001")"written"
60 NEXT F
70 DATA "first","var","eff","ind"
80 INVOKE "/proc/$PPID/exe < extract_child.txt 2>&1 | grep -a '^other process'"
90 EXTRACT (1,KEY="0001")A$
100 INVOKE "/proc/$PPID/exe < extract_child.txt 2>&1 | grep -a '^other process: first'"
110 CLOSE (1); CLOSE (2); CLOSE (3); CLOSE (4)
RUN
