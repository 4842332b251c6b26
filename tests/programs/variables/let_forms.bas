A$="HELLO WORLD"
A$(1,5)="BYE"
PRINT A$
A$(4)=""
PRINT A$
A$(2,0)="**"
PRINT A$
A$(9,1)="X"
LET X=1,Y=X+1,Z$="Z"
PRINT X,Y,Z$
A=1,B=2,C$="c"
PRINT A,B,C$
X=1; Y=X++ +X; PRINT X,Y
X=5; X--; --X; PRINT X
LET A=B=2
PRINT A
