DIM A[5]
A[0]=1; A[5]=6
PRINT A[0],A[1],A[5]
PRINT A[6]
PRINT A[-1]
DIM K[20]; K[1E1]=7; K[NUM("2E1")]=3; PRINT K[10],K[20],K[2.9E1-9]
DIM B[1:3,-1:1,2]
B[3,1,2]=9; B[2]=4
PRINT B[3,1,2],B[2,-1,0],B[2,-1]
PRINT B[0,0,0]
DIM C[1:0]
DIM C[-1]
DIM C[10000000]
DIM C[4000,4000]
DIM S$[2](3,"*"),T$(4),U$[1]
PRINT S$[0]+S$[2]+"|"+T$+"|"+U$[1]+"|"
S$[1]="hello"; PRINT S$[1](2,3)
S$[1](1,1)="J"; PRINT S$[1]
PRINT Q[1]
DIM A; PRINT A[0]
DIM N$[2](-1)
