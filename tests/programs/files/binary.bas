REM Binary files: fixed-size records addressed by IND=, NUL padding, EXTRACT,
REM end of file, SIZ= lengths; a serial file read in raw form (BT).
10 OPEN (9)"<rm -rf t_binary; mkdir t_binary && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 SERIAL "t_binary/b"
110 OPEN LOCK (1,BIN=10)"t_binary/b"
120 WRITE RECORD (1,IND=3)"abc"
130 PRINT "index after write:",IND(1)
140 READ RECORD (1,IND=3)X$
150 PRINT "record 3:",LEN(X$),HTA(X$)
160 READ RECORD (1,IND=0)X$
170 PRINT "record 0 (a hole):",HTA(X$)
180 EXTRACT RECORD (1,IND=3)X$
190 READ RECORD (1)Y$
200 PRINT "EXTRACT = READ:",X$=Y$
210 READ RECORD (1,END=230)X$
220 PRINT "no end?"
230 PRINT "past the end: error",ERR
240 READ RECORD (1,IND=9,ERR=260)X$
250 PRINT "no error?"
260 PRINT "IND= past the end: error",ERR
270 READ RECORD (1,IND=3,SIZ=4)X$
280 PRINT "SIZ=4:",HTA(X$)
290 WRITE RECORD (1,IND=1,ERR=310)"0123456789ABC"
300 PRINT "no error?"
310 PRINT "record longer than 10: error",ERR
320 CLOSE (1)
400 REM BT: a serial channel turns binary for a READ with SIZ=
410 SERIAL "t_binary/s"
420 OPEN LOCK (1)"t_binary/s"
430 WRITE RECORD (1)"hello"
440 CLOSE (1)
450 SET_PARAM 'BT'
460 OPEN (1)"t_binary/s"
470 READ RECORD (1,SIZ=3)X$
480 READ RECORD (1,SIZ=10)Y$
490 PRINT X$,"|",HTA(Y$)
500 CLOSE (1)
510 SET_PARAM -'BT'
900 ERASE "t_binary/b","t_binary/s","t_binary"
RUN
