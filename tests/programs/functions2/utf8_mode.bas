REM SET_PARAM 'U8'=1 switches UTF-8 mode on and 'U8'=0 off again: TRANSLATE
REM leaves multi-byte characters whole, SRT( finds no separator inside
REM them, PRINT counts a character as one column.
10 E$=$C3A9$; SERIAL "cols"; OPEN LOCK (1)"cols"
20 FOR M=0 TO 1
30 SET_PARAM 'U8'=M; PRINT "U8",PRM('U8')
40 A$=E$+"1"; TRANSLATE A$,$A901$+"E"; PRINT "TRANSLATE: ",HTA(A$)
50 PRINT "SRT(: ",HTA(SRT("z"+E$+$A9$+"a"+$A9$,$A9$,ERR=60)); GOTO 70
60 PRINT "SRT(: error",ERR
70 PRINT (1)E$+E$,@(5),"|"
80 NEXT M
90 SET_PARAM 'U8'=0; CLOSE (1); OPEN (1)"cols"
100 READ (1,END=120)L$; PRINT "PRINT: ",HTA(L$); GOTO 100
120 CLOSE (1); ERASE "cols"
RUN
