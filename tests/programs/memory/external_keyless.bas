REM Memory files with an external key, and without key definitions: the
REM order of writing, IND= inserting before a record, EXTRACT then WRITE
REM replacing, KEY= on a keyless file, and the errors of the external key.
10 OPEN (1,OPT="KEYDEF=6")"*memory*"
20 WRITE (1,KEY="k2")"second"
30 WRITE (1,KEY="k1")"first"
40 WRITE (1,KEY="k3")"third"
50 WRITE (1,KEY="toolong")"x",ERR=70
60 PRINT "seven bytes in a six-byte key?"
70 PRINT "KEY= too long: error",ERR
80 WRITE (1,ERR=100)"no key"
90 PRINT "written without its key?"
100 PRINT "WRITE without KEY=: error",ERR
110 READ (1,END=140)A$
120 PRINT A$," ",
130 GOTO 110
140 PRINT
150 PRINT "first key ",KEF(1),", last key ",KEL(1)
160 INSERT (1,KEY="k1",DOM=180)"again"
170 PRINT "inserted twice?"
180 PRINT "INSERT of an existing key: error",ERR
190 UPDATE (1,KEY="k9",DOM=210)"nine"
200 PRINT "updated a missing key?"
210 PRINT "UPDATE of a missing key: error",ERR
220 EXTRACT (1,KEY="k2")A$
230 WRITE (1)"SECOND"
240 READ (1,KEY="k2")A$
250 PRINT "after EXTRACT and WRITE: ",A$
260 CLOSE (1)
300 OPEN (2)"*memory*"
310 WRITE (2)"one"
320 WRITE (2)"two"
330 WRITE (2)"three"
340 WRITE (2,IND=1)"between"
350 GOSUB 900
360 EXTRACT (2,IND=3)A$
370 WRITE (2)"THREE"
380 GOSUB 900
390 REMOVE (2,IND=0)
400 GOSUB 900
410 REM records written with KEY= keep their key order and replace equals
420 CLOSE (2)
430 OPEN (2)"*memory*"
440 FOR I=1 TO 5
450 WRITE (2,KEY="B")"b"+STR(I)
460 WRITE (2,KEY="A")"a"+STR(I)
470 NEXT I
480 GOSUB 900
490 READ (2,KEY="B")A$
500 PRINT "KEY=B: ",A$
510 READ (2,KEY="C",DOM=530)A$
520 PRINT "found C?"
530 PRINT "KEY=C: error",ERR
540 CLOSE (2)
550 OPEN (3,ERR=570)"*memory*;KEYDEF=[1:1"
560 PRINT "opened with a broken KEYDEF?"
570 PRINT "broken KEYDEF=: error",ERR
580 END
900 READ (2,IND=0)A$
910 PRINT A$," ",
920 READ (2,END=940)A$
930 GOTO 910
940 PRINT
950 RETURN
RUN
