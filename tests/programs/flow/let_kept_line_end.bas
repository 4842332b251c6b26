REM A kept "X=X+b" that ends its line steps to the next line as it was kept,
REM while the line it was kept from is still the current one and nothing is
REM pending.  Loops of several lines: the next line starting with a label,
REM FOR and NEXT on lines of their own, GOTO to a kept line from two places,
REM the line before the last line; a line put in after the kept one between
REM two runs; the program saved and run from its file; TRACE on.
10 N=0; S=0; T=0
20 N=N+1
30 S=S+N
40 IF N<5 THEN GOTO 20
50 FOR I=1 TO 3
60 T=T+I
70 NEXT I
80 IF N<9 THEN GOTO 110
90 PRINT "end",N,S,T; GOTO 200
100 N=N+10
110 N=N+1
120 MORE: IF N<7 THEN GOTO 30
130 IF N<8 THEN GOTO 100
140 S=S-1
150 GOTO 80
200 PRINT "last"; K=0; GOTO 210
210 K=K+1
220 PRINT "after",K
230 ENDT
RUN
35 S=S+100
RUN
SAVE "lkle"
DELETE
RUN "lkle"
LOAD "lkle"
TRACE
RUN
ERASE "lkle"
