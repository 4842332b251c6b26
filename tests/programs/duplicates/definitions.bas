REM A definition file names the duplicate of a file, or of every file of a
REM directory; the duplicate opens on the highest free channel at the first
REM write and closes with its source.  Keys: the path upper-cased and
REM reversed, "|" after a file's.
10 ENTER S$,R$
20 LOCAL I; R$=""
30 FOR I=LEN(S$) TO 1 STEP -1; R$=R$+UCS(S$(I,1)); NEXT I
40 EXIT
SAVE "rev"
DELETE
10 ENTER D$,E,C,DUP,P$
20 PRINT "error program: ",D$,E,C,DUP," ",P$(POS("/"=P$,-1)+1)
30 IF D$="UPDATE" THEN EXIT 77
40 EXIT
SAVE "dupl_err"
DELETE
10 KEYED "defs","[1:1:80]",0,-300
20 OPEN (9)"defs"
30 SERIAL "orders"; SERIAL "orders.bak"; SERIAL "log"; SERIAL "log.all"
40 DIRECT "cust",6,0,40; DIRECT "small",6,0,5
50 OPEN LOCK (1)"orders"; D$=FIN(1,"PATHNAME"); CLOSE (1)
60 P$=D$(1,POS("/"=D$,-1))
70 CALL "rev",D$,K$; WRITE (9)K$+"|",P$+"orders.bak",""
80 CALL "rev",P$+"cust",K$; WRITE (9)K$+"|",P$+"small",""
90 CALL "rev",P$+"gone",K$; WRITE (9)K$+"|","nowhere/gone",""
100 CALL "rev",P$,K$; WRITE (9)K$,P$+"log.all",""
110 CLOSE (9)
120 REPEAT DATA FILE "defs"
130 OPEN LOCK (1)"orders"; OPEN LOCK (2)"log"
140 WRITE (1)"first order"; WRITE (2)"a log line"
150 PRINT "duplicates: ",FIN(63,"FILENAME")," ",FIN(62,"FILENAME")
160 CLOSE (1); CLOSE (2)
170 PRINT "closed with their sources:",FID(63,ERR=180)
180 PRINT " error",ERR
190 OPEN (5)"orders.bak"; READ (5)X$; PRINT X$; CLOSE (5)
200 OPEN (5)"log.all"; READ (5)X$; PRINT X$; CLOSE (5)
210 REM a duplicate that cannot be written: the record stays in the first file
220 OPEN (3)"cust"
230 WRITE (3,KEY="C1",ERR=250)"a name too long for the duplicate"
240 STOP
250 PRINT "WRITE: error",ERR,"; ",MSG(-1)
260 READ (3,KEY="C1")X$; PRINT "first file holds: ",X$
270 REPEAT DATA ERRH "dupl_err"
280 WRITE (3,KEY="C2")"handled by the program"
290 UPDATE (3,KEY="C2",ERR=300)"refused by the program"
295 STOP
300 PRINT "UPDATE: error",ERR
310 REPEAT DATA ERRH ""
320 CLOSE (3)
330 REM a duplicate that cannot be opened refuses the write: nothing written
340 SERIAL "gone"; OPEN LOCK (4)"gone"
350 WRITE (4,ERR=370)"lost?"
360 STOP
370 PRINT "first write: error",ERR
380 WRITE (4,ERR=390)"again"
390 PRINT "second write: error",ERR
400 REPEAT DATA ERRH "dupl_err"
410 WRITE (4)"kept without a duplicate"
420 CLOSE (4); OPEN (4)"gone"; READ (4)X$; PRINT X$; READ (4,END=440)X$
430 PRINT "more: ",X$
440 CLOSE (4)
450 REM a definition file must be keyed
460 REPEAT DATA FILE "orders",ERR=480
470 STOP
480 PRINT "serial definitions: error",ERR
RUN
WRITE (1)"x"
