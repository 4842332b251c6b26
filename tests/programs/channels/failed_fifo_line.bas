REM A serial FIFO whose reader got part of a failed WRITE's long line has that
REM line ended there: the next record reaches the reader as a line of its own.
10 OPEN (9)"<rm -rf t_ff; mkdir t_ff && mkfifo t_ff/fifo && echo ready"
20 READ (9)A$; CLOSE (9)
30 DIM B[2]; L$=DIM(6000,"L")
40 OPEN (2)"t_ff/fifo"
50 OPEN LOCK (1)"t_ff/fifo"
60 PRINT (1)"ab",; WRITE (1,ERR=70)L$,B[5]
70 PRINT "fifo write:",ERR
80 WRITE RECORD (1)"next"
90 READ RECORD (2,END=110,TIM=1,ERR=110)R$; PRINT LEN(R$)," ",R$(1,MIN(LEN(R$),12)); GOTO 90
110 CLOSE (1); CLOSE (2)
120 OPEN (9)"<rm -rf t_ff"; CLOSE (9)
RUN
