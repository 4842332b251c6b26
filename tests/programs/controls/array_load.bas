10 REM LOAD of a whole string array: the elements in order up to the last one
20 REM that is not empty, an empty one before it shown as one blank; elements
30 REM may hold the separator byte of the item lists; an array without
40 REM dimensions is error 42, a numeric array a type mismatch (26).
50 DIM A$[1:6]; A$[1]="apple"; A$[2]="pear,quince"; A$[4]="plum"
60 LIST_BOX 201,1,1,12,4
70 LIST_BOX 201,LOAD,A$[ALL]
80 FOR I=1 TO 4; LIST_BOX 201,FIND,I,X$; PRINT I,"[",X$,"]"; NEXT I; LIST_BOX 201,FIND,5,X$,ERR=85
85 PRINT "four items: error",ERR
90 LIST_BOX 201,WRITE,"PEAR,QUINCE"; LIST_BOX 201,READ,N; PRINT "selected",N
100 LIST_BOX 201,LOAD,0,"last"; LIST_BOX 201,FIND,5,X$; PRINT X$
110 LIST_BOX 201,LOAD,B$[ALL],ERR=120
120 PRINT "undimensioned: error",ERR
130 DIM C[3]; LIST_BOX 201,LOAD,C[ALL],ERR=140
140 PRINT "numeric: error",ERR
150 DIM E$[2]; LIST_BOX 201,LOAD,E$[ALL]; LIST_BOX 201,FIND,1,X$,ERR=160
160 PRINT "an empty array loads no items: error",ERR
170 REM POPUP_MENU with a position: on a text terminal the target keeps its value.
180 X=7; POPUP_MENU @(500,300),"one,two,",X; PRINT X
190 POPUP_MENU @(-1,3),"one,two,",X,ERR=200
200 PRINT "negative column: error",ERR
RUN
POPUP_MENU @(1,3,"one,two,",X
