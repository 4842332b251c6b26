REM files opened by name: a reused record that is then closed to make room
10 OPEN (9)"<rm -rf t_odev; mkdir t_odev && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 FOR I=1 TO 70
50 INDEXED "t_odev/q"+STR(I),10,10
60 OPEN (1)"t_odev/q"+STR(I); WRITE (1)"r"+STR(I); CLOSE (1)
70 NEXT I
80 SET_PARAM 'F+'=2
90 READ ("t_odev/q1",IND=0)A$; READ ("t_odev/q2",IND=0)B$; READ ("t_odev/q1",IND=0)C$; READ ("t_odev/q3",IND=0)D$
100 PRINT A$," ",B$," ",C$," ",D$
110 CLOSE (63); CLOSE (62); CLOSE (61)
120 SET_PARAM 'F+'=50
130 FOR I=1 TO 70
140 READ ("t_odev/q"+STR(I),IND=0)A$; READ ("t_odev/q1",IND=0)B$
150 IF A$<>"r"+STR(I) OR B$<>"r1" THEN PRINT "wrong at",I,A$,B$
160 NEXT I
170 PRINT "70 files read, last ",A$," ",B$
180 OPEN (9)"<rm -rf t_odev; echo done"
190 READ (9)A$
200 CLOSE (9)
210 PRINT A$
220 END
RUN
