REM Memory files with key definitions: key order, a unique key 0 that
REM replaces, a second key with duplicates in order of writing, KEY= and
REM the key functions, REMOVE, PURGE and a bad KNO=.
10 OPEN (1)"*memory*;KEYDEF=[1:1:5],[1:6:1]"
20 FOR I=1 TO 5
30 WRITE (1)"b000"+STR(I)+"x"
40 WRITE (1)"a000"+STR(I)+"y"
50 NEXT I
60 GOSUB 900
70 REM the same key 0 replaces the record
80 WRITE (1)"a0001z"
90 READ (1,KEY="a0001")A$
100 PRINT "replaced: ",A$
110 REM key 1 admits duplicates: they come back in order of writing
120 READ (1,KNO=1,KEY="y")A$
130 PRINT "first y: ",A$
140 READ (1,END=160)A$
145 PRINT A$," ",
150 GOTO 140
160 PRINT
170 PRINT "KEF(1)=",KEF(1),", KEL(1)=",KEL(1)
180 READ (1,KNO=0,KEY="b0003")A$
190 PRINT "KEC(1)=",KEC(1),", KEY(1)=",KEY(1)
200 READ (1,KEY="zzz",DOM=220)A$
210 PRINT "found?"
220 PRINT "missing key: error",ERR
230 REMOVE (1,KEY="b0004")
240 READ (1,KEY="b0003")A$
250 READ (1)A$
260 PRINT "after b0003 comes ",A$
270 READ (1,KNO=2,ERR=290)A$
280 PRINT "KNO=2 read?"
290 PRINT "KNO=2: error",ERR
300 PURGE (1)
310 READ (1,END=330)A$
320 PRINT "read after PURGE?"
330 PRINT "after PURGE: error",ERR
340 WRITE (1)"c0001q"
350 READ (1,IND=0)A$
360 PRINT "keys kept: ",A$
370 CLOSE (1)
380 OPEN (1)"*memory*"
390 READ (1,END=410)A$
400 PRINT "CLOSE kept a record?"
410 PRINT "a new memory file is empty"
420 CLOSE (1)
430 END
900 REM every record in key order
910 READ (1,IND=0)A$
920 PRINT A$," ",
930 READ (1,END=950)A$
940 GOTO 920
950 PRINT
960 RETURN
RUN
