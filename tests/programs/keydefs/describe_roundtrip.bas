REM Key definitions of memory files written every way (in the name, in
REM OPT=, an external key alone or before other keys, names, every option
REM letter) read back through FIN(: FILE_CREATE gives the KEYED text of the
REM keys, KEY_DEFINITION the segment table; a file opened with the text it
REM gave has the same table and gives the same text.
10 DIM D$[12]
20 D$[1]="[1:1:5]"
30 D$[2]="[1:1:5],[1:6:1]"
40 D$[3]="10"
50 D$[4]="4,[1:1:3]+[KEY:1:2]"
60 D$[5]="[""id"":1:1:4],[""name"":2:1:10:""U""]"
70 D$[6]="[1:1:8:""DC""]+[2:3:4:""LT""]"
80 D$[7]="[2:1:8:""B.2""],[3:1:6:""DB""]"
90 D$[8]="[1:1:6:""K:2AN:30""]"
100 D$[9]="[0:1:4]+[0:9:2:""D""],[3:2:1]"
110 D$[10]="6,[""alt"":KEY:3:4:""C""]+[1:1:2]"
120 FOR I=1 TO 10
130 OPEN (1)"*memory*;KEYDEF="+D$[I]
140 GOSUB 1000
150 NEXT I
200 REM the definition in OPT=, among other parts
210 OPEN (1,OPT="X=1;keydef=[1:2:3:""L""];KEYDEF=9")"*memory*"
220 D$[11]="[1:2:3:""L""]"
230 I=11; GOSUB 1000
300 REM the letters come back in one order; the text then stays the same
310 OPEN (1)"*memory*;KEYDEF=[1:1:4:""TLDC""]"
320 T$=FIN(1,"FILE_CREATE")
330 PRINT T$
340 CLOSE (1)
400 REM a file without key definitions has no creation text
410 OPEN (1)"*memory*"
420 PRINT "table ",HTA(FIN(1,"KEY_DEFINITION"))," keys ",FIN(1,"KEY_NAMES")," size ",FIN(1,"KEY_SIZE")
430 PRINT FIN(1,"FILE_CREATE",ERR=450)
440 PRINT "created?"
450 PRINT "keyless FILE_CREATE: error",ERR
460 CLOSE (1)
470 REM SIZ= and SEP= come back too
480 OPEN (1,SIZ=300,SEP=",")"*memory*;KEYDEF=[2:1:3]"
490 PRINT FIN(1,"FILE_CREATE")
500 CLOSE (1)
510 OPEN (1,SIZ=90000)"*memory*;KEYDEF=[1:1:3]"
520 PRINT FIN(1,"FILE_CREATE")
530 CLOSE (1)
540 END
1000 REM show channel 1, then open its own text on channel 2 and compare
1010 C$=FIN(1,"FILE_CREATE")
1020 T$=FIN(1,"KEY_DEFINITION")
1030 PRINT C$
1040 PRINT "  table ",HTA(T$)," max kno ",FIN(1,"MAXKNO")," key size ",FIN(1,"KEY_SIZE")," names ",FIN(1,"KEY_NAMES")
1050 REM the key text between the commas, quotes undoubled
1060 K$=C$(POS(","=C$)+1); K$=K$(1,POS(",0,-"=K$)-1)
1070 IF K$(1,1)="""" THEN K$=K$(2,LEN(K$)-2)
1080 P=POS(""""""=K$); IF P THEN K$=K$(1,P-1)+K$(P+1); GOTO 1080
1090 OPEN (2)"*memory*;KEYDEF="+K$
1100 PRINT "  same text: ",K$=D$[I]," same table: ",FIN(2,"KEY_DEFINITION")=T$," again: ",FIN(2,"FILE_CREATE")=C$
1110 CLOSE (1); CLOSE (2)
1120 RETURN
RUN
