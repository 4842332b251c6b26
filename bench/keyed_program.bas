10 REM Keyed files as a program sees them: N records of 100 bytes with a
20 REM 10-byte key written in scattered key order, read back by KEY= in
30 REM another order, then read in key order; seconds of each phase.  The
35 REM file is held whole with the largest private cache OPEN can ask for.
40 LET N=NRECS,F$=FPATH
50 KEYED F$,10,0,100
60 OPEN LOCK (1,NBF=255)F$
70 LET T$="abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrst"
80 LET X=TMR(0)
90 FOR I=0 TO N-1
100 LET K$=STR(MOD(MOD(I*2654435761,4294967296),4000000000):"0000000000"); WRITE (1,KEY=K$)STR(I:"0000000")+T$(1,92)
110 NEXT I
120 PRINT "insert ",STR(TMR(0):"##0.000")
130 LET C=0
140 FOR I=0 TO N-1
150 LET K$=STR(MOD(MOD(MOD(I*7919,N)*2654435761,4294967296),4000000000):"0000000000"); READ (1,KEY=K$)D$
160 LET C=C+LEN(D$)
170 NEXT I
180 PRINT "read ",STR(TMR(0):"##0.000")
190 READ (1,KEY="",DOM=200)
200 LET S=0
210 READ (1,END=230)D$
220 LET S=S+1; GOTO 210
230 PRINT "scan ",STR(TMR(0):"##0.000")
240 IF S<>N OR C<>N*99 THEN PRINT "COUNTS DIFFER ",S," ",C
250 CLOSE (1)
260 END
RUN
