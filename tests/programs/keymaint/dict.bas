REM DICT READ, WRITE and REMOVE: the file dictionary of keyed files of both
REM formats, its positions forward and backward from the head, the key-name
REM items, and PURGE keeping it.
10 KEYED "fd","[1:1:4],[2:1:3]",0,40
20 KEYED "ed","[1:1:4],[2:1:3]",0,40,OPT="1"
30 FOR F=1 TO 2
40 IF F=1 THEN OPEN (1)"fd" ELSE OPEN (1)"ed"
50 DICT WRITE (1)"head item",12,"x"
60 DICT WRITE (1,IND=1)"first"
70 DICT WRITE (1,IND=2)"second",2
80 DICT WRITE (1,IND=-1)"back one"
90 DICT WRITE (1,IND=-2)"back two"
100 DICT WRITE (1,IND=2)"second again"
110 DICT READ (1)A$,N,B$; PRINT A$,"|",N,"|",B$
120 FOR P=-2 TO 2
130 DICT READ (1,IND=P)A$,B$,C$; PRINT P,": ",A$,"|",B$,"|",C$,"|"
140 NEXT P
150 DICT READ (1,IND=3,DOM=160)A$; PRINT "no item 3?"
160 PRINT "past the end: error ",ERR
170 DICT WRITE (1,IND=5,ERR=180)"far"
180 PRINT "a gap: error ",ERR
190 DICT REMOVE (1,IND=1); DICT READ (1,IND=1)A$; PRINT "after removing 1: ",A$
200 DICT REMOVE (1,ERR=210)
210 PRINT "removing the head before the others: error ",ERR
220 REM A 200-byte field keeps its length.
225 L$=""; FOR I=1 TO 200; L$=L$+"y"; NEXT I
230 DICT WRITE (1,IND=1)"long",L$; DICT READ (1,IND=1)A$,B$; PRINT A$," ",LEN(B$)
240 WRITE (1)"0001","abc"; PURGE (1)
250 DICT READ (1,IND=-2)A$; DICT READ (1,IND=1)B$; PRINT "after PURGE: ",A$," ",B$," records ",FIN(1,"NUMREC")
260 CLOSE (1)
270 NEXT F
RUN
REM Key names are dictionary items "KEY" + three digits; a DICT WRITE of one
REM renames the key for every channel already open on the file.
DELETE
10 FOR F=1 TO 2
20 IF F=1 THEN OPEN (1)"fd" ELSE OPEN (1)"ed"
30 IF F=1 THEN OPEN (2)"fd" ELSE OPEN (2)"ed"
40 WRITE (1)"0007","dog"; WRITE (1)"0003","cat"
50 DICT WRITE (1,IND=2)"KEY001","animal"
60 PRINT FIN(2,"KEY_NAMES")
70 READ (2,KNO="animal",KEY="cat")A$; PRINT "channel 2 reads by the new name: ",A$
80 DICT WRITE (1,IND=2)"key001","pet"; PRINT FIN(2,"KEY_NAMES")
90 DICT REMOVE (1,IND=2); PRINT FIN(2,"KEY_NAMES")
100 CLOSE (1); CLOSE (2)
110 NEXT F
RUN
REM Refused: a channel that is not keyed, writing through an input-only
REM channel, an item longer than a block holds.
DELETE
10 SERIAL "sf"; OPEN (3)"sf"; DICT READ (3,ERR=20)A$
20 PRINT "serial file: error ",ERR
30 OPEN INPUT (4)"fd"; DICT WRITE (4,IND=9,ERR=40)"x"
40 PRINT "input only: error ",ERR
45 L$=""; FOR I=1 TO 5000; L$=L$+"y"; NEXT I
50 OPEN (5)"ed"; DICT WRITE (5,IND=1,ERR=60)L$
60 PRINT "an item of 5000 bytes: error ",ERR
RUN
REM A damaged chain: the head's next link made to point back at the head,
REM then at an empty slot.  Opening the file is then a clear error (the
REM names and the password are read at open), never a hang.
CLOSE (5)
DELETE
10 OPEN (5)"fd"; DICT WRITE (5,IND=1)"one"; DICT WRITE (5,IND=2)"two"; CLOSE (5)
20 OPEN (5,ERR=30)"fd"; DICT READ (5,IND=2,ERR=30)A$; PRINT "read ",A$
30 PRINT "error ",ERR; CLOSE (5)
RUN
INVOKE "a=$(od -An -tu1 -j243 -N4 fd | awk '{print $2*65536+$3*256+$4}'); b=$((a/256*256)); s=$((a%256)); o=$(od -An -tu1 -j$((b+6+2*s)) -N2 fd | awk '{print $1*256+$2}'); printf ""\\000\\$(printf %03o $((a/65536)))\\$(printf %03o $((a/256%256)))\\$(printf %03o $s)"" | dd of=fd bs=1 seek=$((b+6+o)) conv=notrunc 2>/dev/null"
RUN 20
INVOKE "a=$(od -An -tu1 -j243 -N4 fd | awk '{print $2*65536+$3*256+$4}'); b=$((a/256*256)); s=$((a%256)); o=$(od -An -tu1 -j$((b+6+2*s)) -N2 fd | awk '{print $1*256+$2}'); printf ""\\000\\$(printf %03o $((a/65536)))\\$(printf %03o $((a/256%256)))\\011"" | dd of=fd bs=1 seek=$((b+6+o)) conv=notrunc 2>/dev/null"
RUN 20
