DIM R[1:5]
R[1]=1; R[3]=3; R[5]=5
REDIM R[3:8]
PRINT R[3],R[5],R[8]
PRINT R[1]
DIM M$[2,2]
M$[0,0]="a"; M$[1,1]="b"; M$[2,2]="c"
REDIM M$[1,1]
PRINT M$[0,0]+M$[1,1]+"|"
PRINT M$[2,2]
REDIM Z[3]
