REM The write events get the whole record, its fields joined by the
REM separator (shown in hexadecimal): PRE_WRITE answering EXIT -2 with its
REM record argument unchanged did the work itself and nothing is written;
REM with the argument changed, the new record is written instead, and one
REM longer than the record size is error 1.  POST_WRITE gets the record
REM written.
10 END
100 PRE_WRITE: ENTER HOW,K$,N,REC$
110 PRINT "PRE_WRITE",LEN(REC$),HTA(REC$)
120 IF POS("skip"=REC$)>0 THEN EXIT -2
130 IF POS("swap"=REC$)>0 THEN REC$="swapped"; EXIT -2
140 IF POS("long"=REC$)>0 THEN REC$=DIM(21,"L"); EXIT -2
150 IF POS("full"=REC$)>0 THEN REC$=DIM(20,"F"); EXIT -2
160 EXIT
200 POST_WRITE: ENTER HOW,K$,N,REC$
210 PRINT "POST_WRITE",HTA(REC$)
220 EXIT
SAVE "wev"
DELETE
10 INDEXED "wdata",6,20
20 OPEN (1)"wdata"
30 SDEV (1)PROGRAM "wev"
40 WRITE (1,IND=0)"a","b",3
50 WRITE (1,IND=1)"skip","x"
60 WRITE (1,IND=2)"swap"
70 WRITE (1,IND=3,ERR=90)"long"
80 PRINT "not here"
90 PRINT "long:",ERR
100 WRITE (1,IND=4)"full"
110 WRITE (1,IND=5)"after"
120 CLOSE (1)
130 OPEN (1)"wdata"
140 FOR I=0 TO 5
150 READ (1,IND=I)A$
160 PRINT I,": ",HTA(A$)
170 NEXT I
180 CLOSE (1)
190 ERASE "wdata"
200 ERASE "wev"
RUN
