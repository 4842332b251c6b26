REM A ranged reference stands for its elements in PRINT, WRITE, READ and
REM INPUT lists as A[ALL] does for the whole array: A{3:1} runs downwards,
REM B${1,1:2} takes a row, a range beyond the array is error 42.
10 DIM A[5]
20 FOR I=0 TO 5; A[I]=I*10; NEXT I
30 PRINT A{1:3}
40 PRINT A{3:1}:"##0"
50 DIM B$[2,2]
60 B$[1,1]="x"; B$[1,2]="y"
70 PRINT B${1,1:2}
80 SERIAL "ri.tmp"
90 OPEN LOCK (1)"ri.tmp"
100 WRITE (1)A{1:3},"end"
110 CLOSE (1)
120 OPEN (1)"ri.tmp"
130 READ (1)A{2:4},Z$
140 PRINT A[2],A[3],A[4],Z$
150 CLOSE (1)
160 INPUT (0)"two numbers: ",A{0:1}
170 PRINT A[0],A[1]
180 PRINT (0,ERR=200)A{1:9}
190 PRINT "not here"
200 PRINT "beyond the array",ERR
210 ERASE "ri.tmp"
RUN
7
8
