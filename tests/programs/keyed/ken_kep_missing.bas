REM KEN( and KEP( with a KEY= that no record has: error 11 without +K; with
REM +K (the default) the key after it and the key before it; in both keyed
REM formats.
10 KEYED "k1",4,0,20; KEYED "k2",4,0,20,OPT="1"
20 FOR F=1 TO 2
30 OPEN (1)"k"+STR(F)
40 WRITE (1,KEY="K001")"a"; WRITE (1,KEY="K002")"b"; WRITE (1,KEY="K003")"c"; WRITE (1,KEY="K005")"e"
50 SET_PARAM -'+K'
60 X$=KEN(1,KEY="K004",ERR=70); PRINT "KEN: ",X$; GOTO 80
70 PRINT "without +K, KEN: error ",ERR
80 X$=KEP(1,KEY="K004",ERR=90); PRINT "KEP: ",X$; GOTO 100
90 PRINT "without +K, KEP: error ",ERR
100 SET_PARAM '+K'; PRINT "with +K: KEN ",KEN(1,KEY="K004")," KEP ",KEP(1,KEY="K004")
110 CLOSE (1); NEXT F
120 ERASE "k1","k2"
RUN
