REM What the information functions say of memory files: a unique key 0
REM with a duplicate key 1, an external key, and no key definitions.  KEY(
REM KEF( KEL( KEN( KEP( KEC( IND( RNO( and the FIN( items as records come
REM and go.
10 OPEN (1)"*memory*;KEYDEF=[1:1:3],[""grp"":1:4:1]"
20 WRITE (1)"bbbX1"
30 WRITE (1)"aaaY2"
40 WRITE (1)"dddX3"
50 WRITE (1)"cccY4"
60 PRINT "records ",FIN(1,"NUMREC")," limit ",FIN(1,"MAXREC")," keys ",FIN(1,"MAXKNO")," names ",FIN(1,"KEY_NAMES")
70 PRINT "before any READ: KEF ",KEF(1)," KEL ",KEL(1)," KEY ",KEY(1)," IND ",IND(1)
80 PRINT RNO(1,ERR=90); PRINT "a place without a current record?"
90 PRINT "RNO( without a current record: error",ERR
100 READ (1)A$
110 PRINT "read ",A$,": RNO ",RNO(1)," IND ",IND(1)," KEC ",KEC(1)," KEY ",KEY(1)," KEP ",KEP(1,ERR=120)
120 IF ERR=2 THEN PRINT "(no key before the first)"
130 READ (1)A$
140 PRINT "read ",A$,": RNO ",RNO(1)," KEC ",KEC(1)," KEP ",KEP(1)," KEN after bbb ",KEN(1,KEY="bbb")
150 PRINT "KEN after the last: ",KEN(1,KEY="ddd",ERR=160)
160 PRINT "error",ERR
170 REM key 1 admits duplicates: RNO( counts in key 1's order
180 READ (1,KNO=1,KEY="Y")A$
190 PRINT "KNO=1 read ",A$,": RNO ",RNO(1)," CURKNO ",FIN(1,"CURKNO")," KEY_SIZE ",FIN(1,"KEY_SIZE")," KEC ",KEC(1)
200 READ (1)A$
210 PRINT "next ",A$,": RNO ",RNO(1)," KEF ",KEF(1)," KEL ",KEL(1)
220 READ (1,KNO="grp",KEY="X")A$
230 PRINT "KNO=""grp"" read ",A$,": RNO ",RNO(1)
240 READ (1,KNO=0,KEY="ccc")A$
250 PRINT "EXTRACT: ",FIN(1,"EXTRACT"),
260 EXTRACT (1,KEY="ddd")A$
270 PRINT " then ",FIN(1,"EXTRACT")," RNO ",RNO(1)," KEY ",KEY(1),
280 WRITE (1)"dddZ5"
290 PRINT " after WRITE ",FIN(1,"EXTRACT")
300 REMOVE (1,KEY="aaa")
310 READ (1,KEY="bbb")A$
320 PRINT "after REMOVE: records ",FIN(1,"NUMREC")," RNO of bbb ",RNO(1)," KEF ",KEF(1)
330 F$=FIB(1)
340 PRINT "FIB: records",DEC($00$+F$(1,3))," key size",DEC($00$+F$(4,2))," highest key",ASC(F$(6,1))," type ",F$(19,1)," name [",CVS(F$(25,60),2),"]"
350 PURGE (1)
360 PRINT "after PURGE: records ",FIN(1,"NUMREC")," KEF ",KEF(1,ERR=370)
370 PRINT "error",ERR
380 CLOSE (1)
400 REM an external key of 4 bytes
410 OPEN (1)"*memory*;KEYDEF=4"
420 WRITE (1,KEY="k2")"two"
430 WRITE (1,KEY="k1")"one"
440 WRITE (1,KEY="k3")"three"
450 PRINT "external: KEF ",KEF(1)," KEL ",KEL(1)," KEY ",KEY(1)," size ",FIN(1,"KEY_SIZE")," ",FIN(1,"FILE_CREATE")
460 READ (1,KEY="k2")A$
470 PRINT "read ",A$,": RNO ",RNO(1)," IND ",IND(1)," KEC ",KEC(1)," KEP ",KEP(1)," KEY ",KEY(1)
480 PRINT "KEN after k1 ",KEN(1,KEY="k1")," after k0 ",KEN(1,KEY="k0"),", after k (raised to l): ",KEN(1,KEY="k",ERR=485)
485 IF ERR=2 THEN PRINT "error 2"
490 CLOSE (1)
500 REM no key definitions: records in order of writing; KEY= ones in key order
510 OPEN (1)"*memory*"
520 WRITE (1)"first"
530 WRITE (1)"second"
540 WRITE (1,IND=1)"between"
550 READ (1,IND=0)A$
560 PRINT "keyless read ",A$,": RNO ",RNO(1)," IND ",IND(1)," KEC [",KEC(1),"] KEF [",KEF(1),"]"
570 READ (1)A$
580 PRINT "next ",A$,": RNO ",RNO(1)," records ",FIN(1,"NUMREC")," key size ",FIN(1,"KEY_SIZE")," names ",FIN(1,"KEY_NAMES")
590 READ (1,IND=2)A$
600 PRINT "last ",A$,": RNO ",RNO(1)," KEY ",KEY(1,ERR=610)
610 PRINT "error",ERR
620 CLOSE (1)
630 OPEN (1)"*memory*"
640 WRITE (1,KEY="m")"M"
650 WRITE (1,KEY="c")"C"
660 PRINT "KEY= on a keyless file: KEF ",KEF(1)," KEL ",KEL(1)," KEN after c ",KEN(1,KEY="c")
670 READ (1,KEY="m")A$
680 PRINT "read ",A$,": RNO ",RNO(1)," KEC ",KEC(1)," KEP ",KEP(1)
690 READ (1,KNO=1,ERR=700)A$
700 PRINT "KNO=1 of a keyless file: error",ERR
710 CLOSE (1)
RUN
