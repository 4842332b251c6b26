REM "*" and "/" standing alone in an I/O list: an empty field on WRITE, a
REM skipped field on READ, with and without a format.
10 OPEN (9)"<rm -rf t_skip; mkdir t_skip && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 SERIAL "t_skip/f"
50 OPEN LOCK (1)"t_skip/f"
60 WRITE (1)"a",/,"b",*,"c"
70 WRITE (1)1,/:CHR(3),2
80 WRITE (1)/
90 CLOSE (1)
100 OPEN (1)"t_skip/f"
110 READ RECORD (1)R$
120 PRINT HTA(R$)
130 READ RECORD (1)R$
140 PRINT HTA(R$)
150 READ RECORD (1)R$
160 PRINT HTA(R$)
170 READ (1,IND=0)A$,/,B$,*,C$
180 PRINT A$,B$,C$
190 READ (1)X,/:CHR(3),Y
200 PRINT X,Y
210 CLOSE (1)
RUN
