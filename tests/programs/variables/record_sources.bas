REM Records defined by an IOLIST line (DIM R$:line), by a compiled list image
REM (the string IOL( gives), and templates with array fields NAME[n] (an array
REM 1..n of fields of one form).  Bad definitions give their errors and the
REM console goes on.
10 IOLIST CUST$,*,BAL
20 DIM R$:10
30 R$.CUST$="acme"; R$.BAL=12.5; PRINT HTA(R$)
40 I$=IOL(R$); DIM T$:I$
50 T$="bolt"+$8A$+"skip"+$8A$+"7"+$8A$; PRINT T$.CUST$," ",T$.BAL
60 DIM W$:"ID:C(2),QTY[3]:N(3),TAG[2]:C(*=44),FLAG[2]:U(1)"
70 W$.ID$="A1"; W$.QTY[1]=5; W$.QTY[3]=12; W$.TAG$[1]="x"; W$.TAG$[2]="yz"; W$.FLAG[2]=255
80 PRINT "[",HTA(W$),"]"
90 W$="B2  1  2  3p,q,"+$0102$; PRINT W$.ID$,W$.QTY[2],W$.QTY[3]," ",W$.TAG$[1],W$.TAG$[2],W$.FLAG[1],W$.FLAG[2]
100 W$="C3"; PRINT "short record:",W$.QTY[1],"[",W$.TAG$[2],"]"
110 PRINT W$.QTY[4]
1000 IOLIST A$:C(5),B
1010 REM no list here
RUN
DIM X$:1000
DIM X$:1010
DIM X$:$0000B9FF$
DIM X$:$00000000FF$
DIM X$:"A[0]:C(2)"
DIM X$:"A[2:C(2)"
DIM X$:"A[]:C(2)"
PRINT "console goes on"
