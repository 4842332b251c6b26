REM ADD, DROP and RENAME INDEX on files that hold records, in both keyed
REM formats: the new key is built at once, later keys move down with their
REM names when one is dropped, and names follow renames.
10 KEYED "cust","[""id"":1:1:4]",0,40
20 KEYED "effc","[""id"":1:1:4]",0,-40,OPT="1"
30 FOR F=1 TO 2
40 IF F=1 THEN OPEN (1)"cust" ELSE OPEN (1)"effc"
50 FOR I=1 TO 60
60 WRITE (1)STR(I:"0000"),"c"+STR(MOD(I,6)),"z"+STR(MOD(I*7,11):"00")
70 NEXT I
80 CLOSE (1)
90 NEXT F
RUN
REM A key on the city, one on the zip code (descending), one named on both.
ADD INDEX ["city":2:1:2] ON "cust"
ADD INDEX [3:1:3:"D"] ON "cust"
ADD INDEX ["both":2:1:2]+[3:1:3] ON "cust"
ADD INDEX ["city":2:1:2] ON "effc"
ADD INDEX [3:1:3:"D"] ON "effc"
ADD INDEX ["both":2:1:2]+[3:1:3] ON "effc"
DELETE
10 FOR F=1 TO 2
20 IF F=1 THEN OPEN (1)"cust" ELSE OPEN (1)"effc"
30 PRINT FIN(1,"MAXKNO")," ",FIN(1,"KEY_NAMES")
40 READ (1,KNO="city",KEY="c3")A$,B$,C$; PRINT "city c3: ",A$," ",B$," ",C$
50 READ (1,KNO=2)A$,B$,C$; PRINT "after it by zip: ",A$," ",B$," ",C$
60 READ (1,KNO="both",KEY="c2z10")A$,B$,C$; PRINT "both: ",A$," ",B$," ",C$
70 N=0
80 READ (1,KNO="both",END=100)A$
90 N=N+1; GOTO 80
100 PRINT "both holds the rest: ",N
110 CLOSE (1)
120 NEXT F
RUN
REM Dropping the middle key: "both" becomes key 2 and keeps its name.
DROP INDEX 2 ON "cust"
DROP INDEX "city" ON "effc"
DELETE
10 FOR F=1 TO 2
20 IF F=1 THEN OPEN (1)"cust" ELSE OPEN (1)"effc"
30 PRINT FIN(1,"MAXKNO")," ",FIN(1,"KEY_NAMES")
40 READ (1,KNO="both",KEY="c5z02")A$,B$,C$; PRINT "both: ",A$," ",B$," ",C$
50 CLOSE (1)
60 NEXT F
RUN
REM RENAME INDEX by number and by name; an empty name removes it.
RENAME INDEX "cust",2,"pair"
RENAME INDEX "effc","both","pair"
RENAME INDEX "cust",1,""
OPEN (1)"cust"; PRINT FIN(1,"KEY_NAMES"); CLOSE (1)
OPEN (1)"effc"; PRINT FIN(1,"KEY_NAMES"); CLOSE (1)
REM A unique key over equal values: every duplicate is reported with its
REM index, and still indexed.
DELETE
10 KEYED "small","[1:1:4]",0,-20
20 OPEN (1)"small"
30 FOR I=1 TO 7
40 WRITE (1)STR(I:"0000"),STR(MOD(I,3))
50 NEXT I
60 CLOSE (1)
RUN
ADD INDEX ["one":2:1:1:"U"] ON "small"
OPEN (1)"small"; READ (1,KNO="one",KEY="1")A$; READ (1,KNO="one")B$; PRINT "first 1: ",A$," then ",B$; CLOSE (1)
REM Refused: key 0, a key the file lacks, a name already used, a 17th key
REM of the first format, a file that is not keyed, a missing file, a file
REM open elsewhere, a segment beyond the limits.
DELETE
10 DROP INDEX 0 ON "cust",ERR=20
20 PRINT "drop key 0: error ",ERR
30 DROP INDEX 9 ON "cust",ERR=40
40 PRINT "drop key 9: error ",ERR
50 DROP INDEX "nosuch" ON "cust",ERR=60
60 PRINT "drop an unknown name: error ",ERR
70 ADD INDEX ["pair":1:1:2] ON "effc",ERR=80
80 PRINT "a name in use: error ",ERR
90 FOR K=1 TO 20; ADD INDEX [1:1:1] ON "cust",ERR=110; NEXT K
110 OPEN (3)"cust"; PRINT "keys 0 to ",FIN(3,"MAXKNO"),", then error ",ERR; CLOSE (3)
120 SERIAL "ser"; ADD INDEX [1:1:2] ON "ser",ERR=130
130 PRINT "serial file: error ",ERR
140 ADD INDEX [1:1:2] ON "nofile",ERR=150
150 PRINT "missing file: error ",ERR
160 OPEN (3)"effc"; ADD INDEX [1:1:2] ON "effc",ERR=170
170 PRINT "file open on channel 3: error ",ERR; CLOSE (3)
180 ADD INDEX [1:1:200] ON "effc",ERR=190
190 PRINT "segment of 200 bytes: error ",ERR
200 ADD INDEX [300:1:2] ON "effc",ERR=210
210 PRINT "field 300: error ",ERR
220 RENAME INDEX "effc",1,"#x",ERR=230
230 PRINT "a name beginning with #: error ",ERR
RUN
LIST 10,30
