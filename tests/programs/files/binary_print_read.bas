REM A READ on a binary channel of record size 1 writes what PRINT left in
REM the buffer first: on a file at the position it was printed at (not
REM where the READ moved to), on a FIFO ahead of the answer the READ waits
REM for (the FIFO, open both ways, hands the printed line back).
10 OPEN (9)"<rm -rf t_bpr; mkdir t_bpr && mkfifo t_bpr/fifo && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
50 SERIAL "t_bpr/f"
60 OPEN LOCK (1)"t_bpr/f"; WRITE RECORD (1)"0123456789"; CLOSE (1)
70 OPEN LOCK (1,BIN=1)"t_bpr/f"
80 PRINT (1)"AB"
90 READ RECORD (1,IND=5,SIZ=2)X$
100 PRINT "bytes 5-6: ",X$
110 PRINT (1)"CD",
120 READ RECORD (1,IND=0,SIZ=20)X$
130 PRINT "whole file: ",HTA(X$)
140 CLOSE (1)
200 OPEN (1,BIN=1)"t_bpr/fifo"
210 PRINT (1)"hello"
220 READ RECORD (1,SIZ=6)X$
230 PRINT "through the FIFO: ",HTA(X$)
240 CLOSE (1)
250 ERASE "t_bpr/f","t_bpr/fifo","t_bpr"
RUN
