REM Each program reads its own DATA: a call starts the called program at its
REM first value and the caller's next value is read after the return
10 ENTER X
15 DATA 9,8
17 READ DATA Q; PRINT "sub",Q
20 EXIT
SAVE "dsub"
DELETE
REM no arguments, a RESTORE of its own, then more than it holds
10 DATA "a","b"
20 READ DATA P$,Q$; RESTORE; READ DATA R$; PRINT "bare ",P$,Q$,R$
30 READ DATA S$,T$,END=50
40 PRINT "not here"
50 EXIT
SAVE "dbare"
DELETE
REM no DATA at all
10 READ DATA N,END=30
20 PRINT "not here"
30 PRINT "none"; EXIT
SAVE "dnone"
DELETE
REM an error after reading, caught by the caller
10 DATA 5
20 READ DATA E; PRINT "err",E
30 READ DATA E
40 EXIT
SAVE "derr"
DELETE
REM itself, D levels deep: each level reads its first value
10 ENTER D
20 DATA 100,200
30 READ DATA V; PRINT "level",D,V
40 IF D<3 THEN CALL "drec",D+1
50 READ DATA W; PRINT "level",D,W
60 EXIT
SAVE "drec"
DELETE
REM PERFORM shares the variables, not the DATA pointer
10 DATA 77
20 READ DATA K; PRINT "perform",K
30 EXIT
SAVE "dperf"
DELETE
10 DATA 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
20 READ DATA A; CALL "dsub",A; READ DATA B; PRINT A,B
30 CALL "dbare"; READ DATA C; PRINT C
40 CALL "dnone"; READ DATA C; PRINT C
50 CALL "derr",ERR=60
60 PRINT "caught",ERR; READ DATA C; PRINT C
70 SETERR 90; CALL "derr"
80 PRINT "not here"
90 SETERR 0; READ DATA C; PRINT C
100 CALL "drec",1; READ DATA C; PRINT C
110 PERFORM "dperf"; READ DATA C; PRINT C,K
120 EXECUTE "READ DATA C"; PRINT C
130 FOR I=1 TO 3; CALL "dsub",I; READ DATA C; PRINT C; NEXT I
140 GOSUB 1000; O=NEW("DK"); PRINT "method",O'RD(); READ DATA C; PRINT C
150 DROP OBJECT O; DROP CLASS "DK"
160 END
1000 DEF CLASS "DK"
1010 FUNCTION RD()
1020 READ DATA Z
1030 RETURN Z
1040 FUNCTION END
1050 END DEF
1060 RETURN
SAVE "dmain"
RUN
RUN "dmain"
REM kept loaded: the called programs start from their warm copies
ADDR "dsub"
ADDR "drec"
SET_PARAM 'PC'=3
RUN "dmain"
SET_PARAM 'PC'=0
DROP "dsub"
DROP "drec"
REM a program stopped midway and run again reads from its first value
DELETE
10 DATA 1,2
20 READ DATA A,B
30 READ DATA C
SAVE "dstop"
RUN
RUN "dstop"
PRINT A,B
