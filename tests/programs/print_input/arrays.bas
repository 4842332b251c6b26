DIM A[3],B$[2],E[2,1]
A[0]=5; A[1]=-2; A[2]=7; A[3]=1.5; B$[0]="x"; B$[1]="y"; B$[2]="z"
E[0,0]=1; E[2,1]=9
PRINT A[ALL]
PRINT "[",B$[ALL],"]"
PRINT A[ALL]:"##0.00"
PRINT A[ALL]+1,"|",-A[1]
PRINT E[ALL]
PRINT (2+3)*4
PRINT (0)"channel part",(1+1)
DIM Z$[0]
PRINT Z$[ALL],"<one empty element"
PRINT Q[ALL]
