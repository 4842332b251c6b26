REM With SR a fixed-length file's slots are written as far as their record
REM goes and read in a first part of 1.25 times the average read so far and,
REM for a longer record, the rest; a file so written reads back whole with
REM and without SR, and the slot's bytes after the record are not written.
10 ERASE "ss",ERR=20
20 SET_PARAM 'SR'
30 KEYED "ss",4,0,200
40 OPEN (1)"ss"
50 FOR I=1 TO 20; DIM X$(I*(1+MOD(I,7)),"x"); WRITE (1,KEY=STR(I:"000"))STR(I)+"|"+X$; NEXT I
60 DIM X$(150,"y"); WRITE (1,KEY="001")"one|"+X$
70 CLOSE (1)
80 OPEN (1)"ss"; T=0
90 READ RECORD (1,END=110)R$; T=T+LEN(R$); K$=KEY(1,END=110)
100 GOTO 90
110 PRINT "SR: total ",T; READ (1,KEY="001")A$; PRINT LEN(A$); READ (1,KEY="020")A$; PRINT A$(1,3); CLOSE (1)
120 SET_PARAM -'SR'
130 OPEN (1)"ss"; T=0
140 READ RECORD (1,END=160)R$; T=T+LEN(R$)
150 GOTO 140
160 PRINT "whole slots: total ",T; READ (1,KEY="001")A$; PRINT LEN(A$); CLOSE (1)
180 OPEN (1)"ss"; L=NUM(FIN(1,"FILELENGTH")); CLOSE (1)
190 ERASE "ss2",ERR=200
200 KEYED "ss2",4,0,200; OPEN (1)"ss2"
210 FOR I=1 TO 20; DIM X$(I*(1+MOD(I,7)),"x"); WRITE (1,KEY=STR(I:"000"))STR(I)+"|"+X$; NEXT I
220 DIM X$(150,"y"); WRITE (1,KEY="001")"one|"+X$
230 L2=NUM(FIN(1,"FILELENGTH")); CLOSE (1)
240 PRINT "the last slot written as far as its record goes:",L2-L
250 ERASE "ss","ss2"
RUN
