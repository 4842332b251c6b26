REM Two channels of one process on one keyed file: a record extracted on one
REM is busy (error 0) for the other until it is written or released.
SET_PARAM 'WT'=0
10 KEYED "fix",[1:1:4],0,20; KEYED "var",[1:1:4],0,-20; KEYED "eff",[1:1:4],0,20,OPT="1"
20 FOR F=1 TO 3
30 N$="fix"; IF F=2 THEN N$="var" ELSE IF F=3 THEN N$="eff"
40 OPEN (1)N$; OPEN (2)N$
50 WRITE (1)"0001","first"; WRITE (1)"0002","other"
60 EXTRACT (2,KEY="0001")K$,A$
70 EXTRACT (1,KEY="0001",ERR=80)K$,A$; PRINT N$," extract: got it"; GOTO 90
80 PRINT N$," extract: error ",ERR
90 READ (1,KEY="0001",ERR=100)K$,A$; PRINT N$," read: got it"; GOTO 110
100 PRINT N$," read: error ",ERR
110 WRITE (1)"0001","lost",ERR=120; PRINT N$," write: wrote"; GOTO 130
120 PRINT N$," write: error ",ERR
130 REMOVE (1,KEY="0001",ERR=140); PRINT N$," remove: removed"; GOTO 150
140 PRINT N$," remove: error ",ERR
150 READ (1,KEY="0002")K$,A$; PRINT N$," another record: ",A$
160 WRITE (2)"0001","kept"; READ (1,KEY="0001")K$,A$; PRINT N$," after the holder wrote: ",A$
170 CLOSE (1); CLOSE (2); ERASE N$
180 NEXT F
RUN
