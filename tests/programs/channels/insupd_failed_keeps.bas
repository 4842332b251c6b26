REM INSERT and UPDATE with a list of variables that fail part-way write
REM nothing of their record and take back only their own bytes: the text an
REM earlier PRINT left pending without a line end stays and ends up in the
REM record the next PRINT finishes, on serial, binary and indexed files.
10 DIM B[2]; A$="x"; N=5
20 SERIAL "ik.tmp"
30 OPEN LOCK (1,IOL=1000)"ik.tmp"
40 PRINT (1)"abc",; INSERT DATA A$,B[5],(1,ERR=50)
50 PRINT "insert:",ERR
60 PRINT (1)"def",; UPDATE DATA N,A$,B[7],(1,ERR=70)
70 PRINT "update:",ERR
80 PRINT (1)"ghi"
90 PRINT (1)"jk",; INSERT DATA A$,N,(1)
100 CLOSE (1)
110 OPEN (1)"ik.tmp"
120 READ RECORD (1,END=140)R$; PRINT R$; GOTO 120
140 CLOSE (1); ERASE "ik.tmp"
200 SERIAL "ib.tmp"
210 OPEN LOCK (1,BIN=1,IOL=1000)"ib.tmp"
220 PRINT (1)"ab",; INSERT DATA A$,B[5],(1,ERR=230)
230 PRINT "binary insert:",ERR
240 PRINT (1)"cd",; WRITE (1,ERR=250)"y",A$(3)
250 PRINT "binary write:",ERR
260 PRINT (1)"ef"
270 CLOSE (1); OPEN (1)"ib.tmp"; READ RECORD (1,SIZ=100)R$; PRINT HTA(R$)
280 CLOSE (1); ERASE "ib.tmp"
300 INDEXED "ii.tmp",5,20
310 OPEN (1,IOL=1000)"ii.tmp"
320 PRINT (1,IND=0)"ab",; UPDATE DATA A$,B[5],(1,ERR=330)
330 PRINT "indexed update:",ERR
340 PRINT (1)"cd",; INSERT DATA A$,B[6],(1,ERR=350)
350 PRINT "indexed insert:",ERR
360 PRINT (1)"ef"
370 READ RECORD (1,IND=0)R$; PRINT R$(1,POS($00$=R$+$00$)-1)
380 CLOSE (1); ERASE "ii.tmp"
390 END
1000 IOLIST Q$,R
RUN
