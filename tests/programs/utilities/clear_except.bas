REM CLEAR EXCEPT keeps the listed variables whole and clears all others
10 DIM NAMES$[3]; NAMES$[0]="ann"; NAMES$[1]="bob"; NAMES$[3]="dee"
20 DIM Q[2,2]; Q[1,2]=12
30 KEEP$="kept"; TOTAL=99.5; DROP$="dropped"; GONE=7
40 CLEAR EXCEPT NAMES$[ALL],Q,KEEP$,TOTAL
50 PRINT NAMES$[0],NAMES$[1],"[",NAMES$[2],"]",NAMES$[3]
60 PRINT Q[1,2],KEEP$,TOTAL
70 PRINT "[",DROP$,"]",GONE
RUN
REM the list form clears only what it names
A=1; B=2; C$="c"; DIM D[3]; D[1]=4
CLEAR A,C$,D[ALL]
PRINT A,B,"[",C$,"]"
PRINT D[1]
REM a record keeps its text and fields
DIM R$:IOLIST NAME$,AGE
R$.NAME$="ann"; R$.AGE=33; OTHER=1
CLEAR EXCEPT R$
PRINT R$.NAME$,R$.AGE,OTHER
CLEAR EXCEPT
CLEAR EXCEPT 5
