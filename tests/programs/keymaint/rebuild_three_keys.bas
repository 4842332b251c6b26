REM Rebuilding every key of a three-key file, at the console: each key is
REM cleared, loaded and reported in turn, key 0 first, for both formats.
DELETE
10 KEYED "t3","[1:1:4],[2:1:4],[3:1:4]",0,-40
20 OPEN (1)"t3"
30 FOR I=1 TO 5; WRITE (1)STR(I:"0000"),STR(10-I:"0000"),STR(MOD(I,2):"0000"); NEXT I
40 CLOSE (1)
50 KEYED "e3","[1:1:4],[2:1:4],[3:1:4]",0,-40,OPT="1"
60 OPEN (2)"e3"
70 FOR I=1 TO 4; WRITE (2)STR(I:"0000"),STR(10-I:"0000"),STR(MOD(I,2):"0000"); NEXT I
80 CLOSE (2)
RUN
OPEN (1)"t3"; KEYED LOAD (1)
READ (1,KNO=2,KEY="0000")A$; READ (1,KNO=1,KEY="0009")B$; PRINT A$," ",B$
CLOSE (1)
OPEN (2)"e3"; KEYED LOAD (2)
CLOSE (2)
REM A damaged node in key 1's index (a child pointer off the block grid):
REM rebuilding key 1 alone passes over it and the key reads whole again.
DELETE
10 KEYED "vd","[1:1:5],[2:1:4]",0,-60
20 OPEN (2)"vd"
30 FOR I=1 TO 3000; WRITE (2)STR(I:"00000"),STR(MOD(I,97):"0000"); NEXT I
RUN
INVOKE "a=$(od -An -tu1 -j44 -N4 vd | awk '{print $1*16777216+$2*65536+$3*256+$4}'); printf '\177\177\177\177' | dd of=vd bs=1 seek=$((a+6)) conv=notrunc 2>/dev/null"
OPEN (2)"vd"; KEYED LOAD (2,KNO=1)
READ (2,KNO=1,KEY="0001")A$,B$; PRINT "after the rebuild: ",A$," ",B$
CLOSE (2)
DELETE
10 OPEN (2)"vd"; N=0
20 READ (2,KNO=1,END=40)A$
30 N=N+1; GOTO 20
40 PRINT "key 1 holds ",N," records"
RUN
