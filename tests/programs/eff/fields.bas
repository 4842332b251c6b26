REM EFF files whose keys come from the record's fields: a unique and a
REM duplicate alternate key, an auto-numbered key, records in pieces.
10 KEYED "people","[1:1:4],[2:1:8:""U""],[3:1:6]",0,60,OPT="1"
20 OPEN (1)"people"
30 WRITE (1)"P001","alice","Bern"
40 WRITE (1)"P002","bob","Zug"
50 WRITE (1)"P003","carol","Bern"
60 WRITE (1)"P004","alice",ERR=70; PRINT "a second alice"
70 PRINT "a second alice: error ",ERR,", records ",FIN(1,"NUMREC")
80 WRITE (1)"P004","dave","Bern"
90 READ (1,KNO=2,KEY="Bern")A$,B$,C$; PRINT "first of Bern: ",A$
100 READ (1,END=120)A$,B$,C$
110 PRINT A$," ",C$; GOTO 100
120 PRINT "by name: ",KEF(1,KNO=1)," to ",KEL(1,KNO=1)
130 WRITE (1)"P001","alice","Aarau"
140 READ (1,KNO=2,KEY="Aarau")A$,B$; PRINT "moved: ",A$," ",B$
150 READ (1,KNO=2,KEY="Bern")A$; READ (1)B$; PRINT "Bern now: ",A$," then ",B$
160 REMOVE (1,KEY="P003")
170 READ (1,KNO=1,KEY="carol",DOM=180)A$; PRINT "carol still there"
180 PRINT "carol gone from every key"
190 CLOSE (1); ERASE "people"
200 KEYED "numbered","[1:1:6:""#""]",0,30,OPT="1"
210 OPEN (1)"numbered"
220 FOR I=1 TO 3; WRITE (1)"      ","entry "+STR(I); NEXT I
230 WRITE (1)"    10","given"
240 WRITE (1)"      ","after the given"
250 READ (1,KEY="",DOM=260)
260 READ (1,END=280)N$,T$
270 PRINT "[",N$,"] ",T$; GOTO 260
280 CLOSE (1); ERASE "numbered"
300 KEYED "long","[1:1:4]",0,20,OPT="1X"
310 OPEN (1)"long"
320 WRITE (1)"L001"+DIM(50,"x")+"end"
330 READ (1,KEY="L001")L$; PRINT "one record of ",LEN(L$)," bytes, ending ",L$(LEN(L$)-2)
340 WRITE (1)"L002short"
350 READ (1,KEY="",DOM=360)
360 READ (1,END=380)L$
370 PRINT "in key order: ",LEN(L$); GOTO 360
380 PRINT "records ",FIN(1,"NUMREC")
390 CLOSE (1); ERASE "long"
RUN
