10 DIM A[5]; A{1:3}=7; PRINT A[0],A[1],A[2],A[3],A[4]
20 DIM B[2,2]; B{0:2,1}=9; B{/,2}=5; PRINT B[0,1],B[2,1],B[1,2],B[0,0]
30 DIM C[3]; FOR I=0 TO 3; C[I]=I*10; NEXT I
40 DIM D[3]; D{3:0}=C{0:3}; PRINT D[0],D[1],D[2],D[3]
50 E{2:4}=1; PRINT E[2],E[4]
60 S${1:2}="x"; S${2:1}+="y"; PRINT S$[1],"|",S$[2]
70 N=0; F{1:2,1:3}=N++; PRINT F[1,1],F[1,3],F[2,1],F[2,3]
80 G{1:4}=C[ALL]; PRINT G[1],G[4]
90 A{5:1}+=1; PRINT A[1],A[5]
100 END
LIST
RUN
A{1:3}=C{0:1}
A{0:6}=1
A{1:3,0:1}=1
B{0:2,2:0}=1
A{/}=3; PRINT A[0],A[5]
H{/}=1
E[1]=1
PRINT A{1:2}
