10 F$="plain.work"; INVOKE "cp plain.key "+F$
20 OPEN (1)F$
30 FOR I=20 TO 1 STEP -1
40 GOSUB 1000; WRITE (1,KEY=K$)"record "+STR(I)
50 NEXT I
60 READ (1,KEY="K05")A$
70 PRINT A$," key ",KEY(1)," next ",KEN(1)," previous ",KEP(1)
80 N=0
90 READ (1,KEY="K00",DOM=100)A$
100 READ (1,END=120)A$
110 N=N+1; GOTO 100
120 PRINT N," records in key order"
130 FOR I=2 TO 20 STEP 2
140 GOSUB 1000; REMOVE (1,KEY=K$)
150 NEXT I
160 N=0; READ (1,KEY="K00",DOM=170)A$
170 READ (1,END=190)A$
180 N=N+1; L$=KEC(1); GOTO 170
190 PRINT N," left, the last ",L$
200 EXTRACT (1,KEY="K07")A$
210 READ (1)B$
220 PRINT "extract then read: ",B$
230 EXTRACT (1,KEY="K09")A$
240 WRITE (1)"changed nine"
250 READ (1,KEY="K09")A$
260 PRINT A$
270 WRITE (1,ERR=290)"no key and no lock"
280 PRINT "written"
290 PRINT "refused, error ",ERR
300 PRINT "index of K03: ",IND(1,KEY="K03")
310 REMOVE (1,KEY="K03")
320 READ (1,KEY="K03",DOM=340)A$
330 PRINT "still there"
340 PRINT "first ",KEF(1)," last ",KEL(1)
342 READ (1,KEY="K11",DIR=0)A$; READ (1)B$; PRINT "DIR=0, then READ: ",A$," / ",B$
344 READ (1,KEY="K11",DIR=-1)A$; READ (1)B$; PRINT "DIR=-1, then READ: ",A$," / ",B$
346 READ (1,KEY="K05",DIR=-5)A$; PRINT "DIR=-5: ",A$; READ (1,END=348)A$
347 PRINT "before the first?"
348 PRINT "then end of file: ",ERR; READ (1)A$
349 PRINT "then the first: ",A$
350 PRINT "ordinal of K07: ",RNO(1,KEY="K07"); CLOSE (1); ERASE F$
360 END
1000 K$="K"+STR(I); IF I<10 THEN K$="K0"+STR(I)
1010 RETURN
RUN
