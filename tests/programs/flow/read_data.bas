REM DATA across lines, "/" skips, END=, RESTORE to a line and a label
10 DATA 1,"two",3.5
20 REM no data here
30 DATA -4,"five"
40 READ DATA A,B$,C
50 PRINT A,B$,C
60 READ DATA /,X$
70 PRINT X$
80 READ DATA Y,END=100
90 PRINT "not here"
100 PRINT "end of data",ERR
110 RESTORE 30; READ DATA Z; PRINT Z
120 RESTORE; READ DATA Z,Q$; PRINT Z,Q$
130 READ DATA FROM "a,b,7",SEP=",",A$,B$,N; PRINT A$,B$,N
140 READ DATA FROM "x|y",SEP="|",REC=R$,P$; PRINT R$," ",P$
150 FOR I=1 TO 10; READ DATA V$,END=*BREAK; PRINT "v",V$; NEXT I; PRINT "after",I
LIST 80,150
RUN
DELETE
10 RESTORE MORE; READ DATA K,K2; PRINT K,K2; READ DATA N$; PRINT N$
20 END
30 DATA "skipped"
40 MORE: DATA 10*2,LEN("abc"),"last"
RUN
REM past the last DATA value without END=: error 2, the console goes on
DELETE
10 DATA 1
20 READ DATA A,B
RUN
PRINT A
REM a string value into a number is a type mismatch
10 DATA "x"
RUN
READ DATA A
