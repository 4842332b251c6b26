REM READ on past an error of a damaged data page (error 107, the page does
REM not name itself): each READ after it moves past the damaged record, none
REM returns the record read before the error again, and the rest of the
REM file is read.
10 KEYED "dm",4,0,1100,OPT="1"
20 OPEN (1)"dm"
30 FOR I=1 TO 40; WRITE (1,KEY=STR(I:"0000"))STR(I:"0000")+DIM(1000,"z"); NEXT I
40 CLOSE (1)
50 INVOKE "printf '\000\000\177\177' | dd of=dm bs=1 seek="+STR(4096*8+1)+" conv=notrunc 2>/dev/null"
60 OPEN (1)"dm"; L$=""
70 FOR T=1 TO 60
80 READ (1,END=200,ERR=150)A$
90 L$=L$+A$(1,4)+" "
100 GOTO 160
150 L$=L$+"["+STR(ERR)+"] "
160 NEXT T
200 PRINT L$
210 PRINT "end after ",T-1," reads"
RUN
