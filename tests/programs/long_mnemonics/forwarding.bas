10 REM A channel whose definitions hold '*L' passes long mnemonics on in the
20 REM hexadecimal form; window operations are refused there; the pitch
30 REM operations set its lines and columns.
40 SERIAL "fwd.txt"
50 OPEN LOCK (1)"fwd.txt"
60 MNEMONIC (1)'*L',"1"
70 PRINT (1)"a",RCT(1,2,3,4),"b"
80 PRINT (1,ERR=90)WDW(1,1,10,5),
90 PRINT "window on a forwarding channel: error ",ERR
100 PRINT (1)LPI(8),CPI(12),
110 PRINT (1,ERR=120)LPI(0),
120 PRINT "no lines at pitch 0: error ",ERR
130 PRINT (1)LPI(-10),LPI(6),"c"
140 PRINT (1,ERR=150)FMSG("x"),
150 PRINT "message line: error ",ERR
160 CLOSE (1)
170 OPEN (1)"fwd.txt"
180 READ (1,END=200)A$; PRINT "|",CVS(A$,16),"|"; GOTO 180
200 CLOSE (1); ERASE "fwd.txt"
210 REM Without '*L' the same channel refuses the drawing operations.
220 SERIAL "plain.txt"; OPEN LOCK (1)"plain.txt"
230 PRINT (1,ERR=240)RCT(1,2,3,4),
240 PRINT "rectangle on a plain channel: error ",ERR
250 CLOSE (1); ERASE "plain.txt"
RUN
