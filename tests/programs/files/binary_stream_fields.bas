REM A binary channel opened with the minus modifier is a stream of fields:
REM each READ takes a buffer's worth of bytes, and what its items do not
REM take is read again by the next READ.  Fields of 1000 to 1400 bytes
REM cross the 4096-byte buffers; a NUL byte inside a field is kept.  Text
REM printed between two READs goes where the first one left off, and the
REM second reads the file from there.
10 ERASE "t_bsf",ERR=20
20 SERIAL "t_bsf"
30 OPEN LOCK (1,BIN=1)"t_bsf"
40 FOR I=1 TO 30
50 WRITE RECORD (1)DIM(1000+MOD(I*37,400),CHR(64+I))+$8A$
60 NEXT I
70 WRITE RECORD (1)"a"+$00$+"b"+$8A$+"12"+$8A$+"last"+$8A$
80 CLOSE (1)
90 OPEN -(1)"t_bsf"
100 READ (1)A$
110 PRINT "first field:",LEN(A$)," next byte at",IND(1)
120 N=1,B=0
130 READ (1,END=200)A$
140 IF A$(1,1)=$00$ OR A$(1,1)="a" THEN GOTO 200
150 N=N+1
160 IF LEN(A$)<>1000+MOD(N*37,400) OR A$<>DIM(LEN(A$),CHR(64+N)) THEN B=B+1
170 GOTO 130
200 PRINT N,"fields,",B,"wrong"
210 PRINT "[",HTA(A$),"]"
220 READ (1)V,W$
230 PRINT V,W$
240 READ (1,END=260)A$
250 PRINT "more?"
260 PRINT "end",ERR
270 CLOSE (1)
300 OPEN LOCK (1,BIN=1)"t_bsf"; PURGE (1)
310 WRITE RECORD (1)"aa"+$8A$+"bb"+$8A$+"cc"+$8A$; CLOSE (1)
320 OPEN LOCK -(1)"t_bsf"
330 READ (1)A$; PRINT "[",A$,"]",IND(1)
340 PRINT (1)"XX",
350 READ (1)A$; PRINT "[",A$,"]",IND(1)
360 READ (1)A$; PRINT "[",A$,"]",IND(1)
370 CLOSE (1)
380 ERASE "t_bsf"
RUN
