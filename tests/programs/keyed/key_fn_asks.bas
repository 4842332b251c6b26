REM KEY( with KEY= asks the file for the key of the record the next READ
REM would read: a missing key is error 11, a key kept upper-cased comes back
REM as stored, in both keyed formats.
10 FOR F=0 TO 1
20 ERASE "ka",ERR=30
30 IF F=0 THEN KEYED "ka","[1:1:4],[2:1:3:C]",0,50 ELSE KEYED "ka","[1:1:4],[2:1:3:C]",0,-50,OPT="1"
40 OPEN (1)"ka"; WRITE (1)"abc","abd"; WRITE (1)"abz","xyz"
50 PRINT KEY(1,KNO=1,KEY="abd")," ",KEY(1,KNO=1,KEY="XYZ")
60 PRINT KEY(1,KNO=1,KEY="abx",ERR=70)
70 PRINT "missing:",ERR
80 PRINT KEY(1,KNO=0,KEY="abd",DOM=90)
90 PRINT "dom:",ERR," ",KEY(1,KNO=0,KEY="abz")
100 CLOSE (1); ERASE "ka"
110 NEXT F
RUN
