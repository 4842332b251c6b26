REM EFF files (KEYED with OPT="1"): every record directive and key function
REM on a file with a key held outside the record.
10 KEYED "cust",10,0,40,OPT="1"
20 OPEN (1)"cust"
40 FOR I=1 TO 9
50 WRITE (1,KEY="K"+STR(I*10:"000"))"name "+STR(I),I*100
60 NEXT I
70 READ (1,KEY="K050")N$,V
80 PRINT N$," ",V," key ",KEY(1)," next ",KEN(1)," before ",KEP(1)," current ",KEC(1)
90 PRINT "first ",KEF(1)," last ",KEL(1)," records ",FIN(1,"NUMREC")
100 READ (1)N$; PRINT "then ",N$," at ",KEC(1)
110 READ (1,KEY="K055",DOM=120)N$
120 READ (1)N$; PRINT "after a missing key: ",N$
130 INSERT (1,KEY="K010",DOM=140)"again"; PRINT "inserted twice"
140 PRINT "insert of an existing key: error ",ERR
150 UPDATE (1,KEY="K011",DOM=160)"nobody"; PRINT "updated a missing record"
160 PRINT "update of a missing key: error ",ERR
170 UPDATE (1,KEY="K010")"name one",111
180 READ (1,KEY="K010")N$,V; PRINT N$," ",V
190 WRITE (1,KEY="K020",DOM=200)"x"; PRINT "overwritten with DOM="
195 GOTO 210
200 PRINT "WRITE with DOM= of an existing key: error ",ERR
210 REMOVE (1,KEY="K030"); REMOVE (1,KEY="K030",DOM=220)
220 PRINT "removed, records ",FIN(1,"NUMREC")
230 I=IND(1,KEY="K090"); READ (1,IND=I)N$; PRINT "by its index: ",N$
240 PRINT "ordinal of K070: ",RNO(1,KEY="K070")
250 READ (1,RNO=2)N$; PRINT "second record: ",N$
260 READ (1,KEY="K060",DIR=-1)N$; READ (1)N$; PRINT "one back: ",N$
270 READ (1,KEY="K020")N$; READ (1,DIR=-5,END=280)N$
280 READ (1,END=290)N$; PRINT "read on"
290 PRINT "end of file pending: error ",ERR
300 READ (1,KEY="K010")N$; PRINT "a KEY= read clears it: ",N$
302 READ (1,KEY="K020")N$; READ (1,DIR=-5,END=304)N$
304 READ (1,KEY="K040")N$; READ (1)N$; PRINT "then reads on: ",N$
305 READ (1,KEY="K010",DIR=-1)N$; PRINT "read ",N$," with DIR=-1"
306 READ (1,END=307)N$; PRINT "then: ",N$; GOTO 308
307 PRINT "then, in front of the first record: error ",ERR
308 READ (1,END=309)N$; PRINT "and then: ",N$; GOTO 310
309 PRINT "and then: error ",ERR
310 EXTRACT (1,KEY="K040")N$; READ (1)M$; PRINT "extract then read: ",M$
320 EXTRACT (1,KEY="K040")N$; WRITE (1)"changed",40; READ (1,KEY="K040")N$,V; PRINT N$," ",V
321 READ (1,KEY="K050",DIR=-1)N$; PRINT "walk back: ",N$,
322 READ (1,DIR=-1,END=324)N$; PRINT ", ",N$,; GOTO 322
324 PRINT " (end)"; READ (1)N$; PRINT "then: ",N$
330 KEY$=KEN(1,KEY="K099",ERR=340); PRINT "KEN of a missing key: ",KEY$
340 PRINT "KEN of a missing key: error ",ERR
350 PURGE (1); PRINT "purged: ",FIN(1,"NUMREC")
360 X$=KEF(1,ERR=370); PRINT "first of an empty file"
370 PRINT "KEF of an empty file: error ",ERR
380 CLOSE (1); ERASE "cust"
RUN
