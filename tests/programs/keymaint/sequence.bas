REM EFF records carry a sequence that orders equal alternate values.  A
REM record whose auto-numbered field was empty keeps its sequence when the
REM field is widened; the rebuild of every key gives each record of an
REM auto-numbered file the sequence its number holds.
10 KEYED "nums","[1:1:6:""#""],[2:1:4]",0,40,OPT="1"
20 OPEN (1)"nums"
30 WRITE (1)"","SAME"; WRITE (1)"","SAME"; WRITE (1)"000000","SAME"; WRITE (1)"","SAME"
40 PRINT "empty numbers:    ",; GOSUB 900
50 CLOSE (1); ERASE "nums"
100 KEYED "nums","[1:1:6:""#""],[2:1:4]",0,40,OPT="1"
110 OPEN (1)"nums"
120 WRITE (1)"000030","SAME"; WRITE (1)"000010","SAME"; WRITE (1)"000020","SAME"; WRITE (1)"","SAME"
130 PRINT "as written:       ",; GOSUB 900
140 KEYED LOAD (1,KNO=0)
150 PRINT "key 0 rebuilt:    ",; GOSUB 900
160 REMOVE (1,KEY="000030"); WRITE (1)"000030","SAME"
170 PRINT "30 written again: ",; GOSUB 900
180 KEYED LOAD (1)
190 PRINT "all keys rebuilt: ",; GOSUB 900
200 REMOVE (1,KEY="000010"); WRITE (1)"","SAME"; REMOVE (1,KEY="    33")
210 PRINT "after changes:    ",; GOSUB 900
220 PRINT "records:",FIN(1,"NUMREC")
230 CLOSE (1)
240 STOP
900 READ (1,KNO=1,KEY="SAME",END=930)A$,B$; PRINT "[",A$,"]",
910 READ (1,END=930)A$,B$; PRINT "[",A$,"]",; GOTO 910
930 PRINT ""; RETURN
RUN
