REM A number that READ, READ DATA or INPUT gives a template field it cannot
REM hold is error 41 at that statement, and the field keeps its value.
10 DIM B$:"A:I(1),B:C(2)"; B$.A=1; B$.B$="xy"
20 SERIAL "tfr.tmp"; OPEN LOCK (1)"tfr.tmp"; WRITE (1)"300"; WRITE (1)"5"; CLOSE (1)
30 OPEN (1)"tfr.tmp"; READ (1,ERR=40)B$.A
40 PRINT "read:",ERR,B$.A," ",HTA(B$)
50 READ (1)B$.A; PRINT B$.A," ",HTA(B$)
60 CLOSE (1); ERASE "tfr.tmp"
70 READ DATA FROM "300",B$.A,ERR=80
80 PRINT "data from:",ERR,B$.A
90 SETERR 110; RESTORE 100; READ DATA B$.A
100 DATA 256
110 PRINT "data:",ERR,B$.A
120 DIM N$:"Q:N(3)"; SETERR 130; INPUT N$.Q
130 PRINT "input:",ERR," ",N$
140 X$=B$; PRINT HTA(X$)
RUN
1000
