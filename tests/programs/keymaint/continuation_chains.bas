REM Records longer than the record length of an EFF file with option X go on
REM in continuation blocks that carry the record's sequence: rebuilding every key keeps
REM the order of equal alternate values and every long record whole.
10 KEYED "longs","[1:1:4],[2:1:4]",0,30,OPT="1X"
20 OPEN (1)"longs"
30 WRITE (1)"R009","Bern",DIM(100,"a")+"end9"
40 WRITE (1)"R001","Bern","short"
50 WRITE (1)"R005","Bern",DIM(250,"b")+"end5"
60 WRITE (1)"R003","Chur",DIM(70,"c")
70 PRINT "written:    ",; GOSUB 900
80 KEYED LOAD (1)
90 PRINT "rebuilt:    ",; GOSUB 900
100 WRITE (1)"R009","Bern",DIM(40,"z")+"new9"
110 KEYED LOAD (1)
120 PRINT "R009 again: ",; GOSUB 900
130 READ (1,KNO=0,KEY="R005")K$,C$,D$; PRINT "R005: ",LEN(D$)," bytes, ending ",D$(LEN(D$)-3)
140 REMOVE (1,KEY="R005"); PRINT "records:",FIN(1,"NUMREC")
150 CLOSE (1); ERASE "longs"
160 STOP
900 READ (1,KNO=1,KEY="Bern",END=930)K$,C$,D$; PRINT K$,"(",LEN(D$),") ",
910 READ (1,END=930)K$,C$,D$; PRINT K$,"(",LEN(D$),") ",; GOTO 910
930 PRINT ""; RETURN
RUN
