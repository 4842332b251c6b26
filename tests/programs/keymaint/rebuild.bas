REM KEYED LOAD rebuilds the keys of a keyed file from its records: every key,
REM or the one KNO= names, on fixed and variable records and on EFF files.
10 KEYED "fx","[1:1:4]+[2:1:2],[2:1:3]",0,30
20 OPEN (1)"fx"
30 FOR I=1 TO 400
40 WRITE (1)STR(I:"0000"),STR(MOD(I*7,13):"000")
50 NEXT I
RUN
REM Typed at the console, the rebuild tells what it does.
OPEN (1)"fx"
KEYED LOAD (1)
READ (1,KEY="020000")A$,B$; PRINT A$," ",B$
READ (1,KNO=1,KEY="012")A$,B$; PRINT A$," ",B$," then ",KEN(1,KNO=1)
KEYED LOAD (1,KNO=1)
CLOSE (1)
REM Inside a program it works silently; key 1 reads in order afterwards.
DELETE
10 OPEN (1)"fx"; KEYED LOAD (1,KNO=1)
20 N=0; P$=""
30 READ (1,KNO=1,END=50)A$,B$
40 IF B$+A$<P$ THEN PRINT "out of order" ELSE N=N+1; P$=B$+A$; GOTO 30
50 PRINT "key 1 reads ",N," records in order"
RUN
REM Rebuilding key 0 corrects the record count where nobody else can change
REM it meanwhile (the channel holds the file whole); a channel that shares
REM the file lets other processes write during the rebuild and keeps it.
INVOKE "printf '\000\000\000\007' | dd of=fx bs=1 seek=14 conv=notrunc 2>/dev/null"
OPEN (1)"fx"; PRINT "count now ",FIN(1,"NUMREC")
KEYED LOAD (1,KNO=0)
PRINT "count after a shared rebuild ",FIN(1,"NUMREC")
LOCK (1); KEYED LOAD (1,KNO=0); UNLOCK (1)
PRINT "count after the rebuild ",FIN(1,"NUMREC")
CLOSE (1)
REM Variable-length records, and a damaged node in key 1's index.
DELETE
10 KEYED "vx","[1:1:5],[2:1:4]",0,-60
20 OPEN (2)"vx"
30 FOR I=1 TO 3000
40 WRITE (2)STR(I:"00000"),STR(MOD(I,97):"0000")
50 NEXT I
RUN
INVOKE "a=$(od -An -tu1 -j44 -N4 vx | awk '{print $1*16777216+$2*65536+$3*256+$4}'); printf '\177\177\177\177' | dd of=vx bs=1 seek=$((a+6)) conv=notrunc 2>/dev/null"
OPEN (2)"vx"
READ (2,KNO=1,KEY="0001")A$
KEYED LOAD (2)
READ (2,KNO=1,KEY="0001")A$,B$; PRINT "after the rebuild: ",A$," ",B$
CLOSE (2)
DELETE
10 OPEN (2)"vx"; N=0
20 READ (2,KNO=1,END=40)A$
30 N=N+1; GOTO 20
40 PRINT "key 1 holds ",N," records"
RUN
REM EFF: every key, then one.
DELETE
10 KEYED "ef","[1:1:4],[2:1:3]",0,-100,OPT="1"
20 OPEN (3)"ef"
30 FOR I=1 TO 300
40 WRITE (3)STR(I:"0000"),"x"+STR(MOD(I,7):"0")
50 NEXT I
RUN
OPEN (3)"ef"
KEYED LOAD (3)
READ (3,KNO=1,KEY="x3")A$,B$; PRINT A$," ",B$," records ",FIN(3,"NUMREC")
KEYED LOAD (3,KNO=1)
READ (3,KNO=1,KEY="x6")A$,B$; PRINT A$," ",B$
CLOSE (3)
REM An empty file: key 0 loaded with 0 keys.
KEYED "em","[1:1:4]",0,-100,OPT="1"
OPEN (4)"em"; KEYED LOAD (4,KNO=0)
REM Refused: a channel opened for input only, a file without records of its
REM own (record length 0), a channel that is not keyed, a key the file lacks.
DELETE
10 OPEN INPUT (5)"fx"; KEYED LOAD (5,ERR=20)
20 PRINT "input only: error ",ERR
30 SORT "so",6; OPEN (6)"so"; KEYED LOAD (6,ERR=40)
40 PRINT "keys only: error ",ERR
50 SERIAL "se"; OPEN (7)"se"; KEYED LOAD (7,ERR=60)
60 PRINT "serial file: error ",ERR
70 OPEN (3)"ef"; KEYED LOAD (3,KNO=5,ERR=80)
80 PRINT "key 5: error ",ERR
RUN
