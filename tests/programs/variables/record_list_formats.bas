REM Records built from an I/O list with conversion clauses and whole arrays:
REM CHR(n) is a fixed-width text field, NUM(n,d) a fixed-width number with d
REM decimals, A[ALL] an array field of the array's present element count.
10 DIM R$:100
20 R$.A$="xy"; R$.B=7; PRINT "[",HTA(R$),"]"
30 DIM Q[1:3]; DIM S$:200
40 S$.A$="k"; S$.Q[1]=1; S$.Q[3]=3; PRINT "[",HTA(S$),"]"
50 DIM T$:300
60 T$.N=1.5; T$.A$="abc"; PRINT "[",T$,"]"; T$.N=-2.345; PRINT "[",T$,"]"
70 T$="  3.25zz"; PRINT T$.N," ",T$.A$
80 T$.N=234.5; PRINT "[",T$,"]"
90 DIM V$:600; V$.A$="abcdef"; PRINT "[",V$,"]",LEN(V$)
100 IOLIST A$:CHR(3),B
200 IOLIST A$,Q[ALL]
300 IOLIST N:NUM(6,2),A$:CHR(2)
400 IOLIST B:"##0"
500 IOLIST A$:CHR(10241)
510 IOLIST N:NUM(5,11)
520 IOLIST Z[ALL]
600 IOLIST A$:CHR(0),N:NUM(3)
RUN
DIM X$:400
DIM X$:500
DIM X$:510
DIM X$:520
REM A number the NUM(6,2) field cannot hold is refused; the record keeps its bytes
DIM T$:300; T$.N=234.5; T$.A$="ab"
T$.N=1234.5
PRINT "[",T$,"]"
PRINT "console goes on"
REM A whole array keeps its bounds: DIM W[5:7] makes the fields W[5] to W[7],
REM and a two-dimensional one its two ranges
700 IOLIST A$,W[ALL]
710 IOLIST M[ALL]
DIM W[5:7]; DIM G$:700; G$.A$="g"; G$.W[5]=5; G$.W[7]=7
PRINT "[",HTA(G$),"]"
G$.W[4]=1
DIM M[1:2,0:1]; M[2,1]=9; DIM H$:710; H$.M[2,0]=20; H$.M[2,1]=21; PRINT "[",HTA(H$),"]"
H$.M[3,0]=1
REM A string-valued format writes the field through its mask and reads it back
720 IOLIST N:"#,##0.00",A$:"XX-X",B:"##0"
DIM F$:720; F$.N=1234.5; F$.A$="ab1"; F$.B=7; PRINT "[",F$,"]"
F$="  9,876.25"+$8A$+"cde"+$8A$+" 42"+$8A$; PRINT F$.N," ",F$.A$," ",F$.B
F$.B=1000
PRINT "[",F$,"]"
730 IOLIST X:M$
M$="0000"; DIM K$:730; K$.X=12; PRINT "[",K$,"]"
