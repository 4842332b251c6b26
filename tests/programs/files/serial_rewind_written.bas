REM IND= below the record index on a serial channel that holds output not
REM yet written rewinds the channel as CLOSE would: the lines written go to
REM the file first, then reading starts again at the first line.
10 ERASE "t_srw",ERR=20
20 SERIAL "t_srw"
30 OPEN LOCK (1)"t_srw"
40 WRITE RECORD (1)"old1"; WRITE RECORD (1)"old2"
50 CLOSE (1)
60 OPEN LOCK (1)"t_srw"
70 WRITE RECORD (1)"new1"; WRITE RECORD (1)"new2"
80 READ RECORD (1,IND=0)X$
90 PRINT "IND=0 after two writes: [",X$,"]"
100 READ RECORD (1,END=130)X$
110 PRINT "[",X$,"] ",
120 GOTO 100
130 PRINT
140 CLOSE (1)
150 ERASE "t_srw"
RUN
