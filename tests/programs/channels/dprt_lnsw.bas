REM DPRT sets the columns and lines of serial files, pipes and devices: a
REM non-zero column count is the width at which PRINT wraps, 0 keeps what
REM was there.  DPRT, LNSW and PTH( of a channel that is not open are error
REM 13, DPRT of a keyed file too.
10 SERIAL "page.txt"
20 OPEN LOCK (1)"page.txt"
30 DPRT (1)10,0
40 PRINT (1)"abcdefghijklmnopqrstuvwxy"
50 DPRT (1)0,20
60 PRINT (1)"0123456789012"
70 DPRT (1,ERR=80)256,1
80 PRINT "columns out of range: error",ERR
90 CLOSE (1); OPEN (1)"page.txt"
100 READ (1,END=120)L$; PRINT "[",L$,"]"; GOTO 100
120 CLOSE (1)
130 DPRT (44,ERR=140)80,24
140 PRINT "DPRT of a closed channel: error",ERR
150 LNSW 44,ERR=160
160 PRINT "LNSW of a closed channel: error",ERR
170 A$=PTH(44,ERR=180)
180 PRINT "PTH( of a closed channel: error",ERR
190 KEYED "k","[1:1:4]",0,20; OPEN (2)"k"
200 DPRT (2,ERR=210)80,24
210 PRINT "DPRT of a keyed file: error",ERR
220 CLOSE (2); ERASE "k"; ERASE "page.txt"
RUN
