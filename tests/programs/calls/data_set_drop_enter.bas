REM A called program that drops its caller's data set before its ENTER
REM binds the variables of it passed by reference takes the values they had;
REM nothing goes back to them, and the caller's other arguments come back.
B$="hello"; A=1
SAVE DATA "dsenter"
CLEAR
DELETE
10 DROP DATA "dsenter"
20 P$="after"+" the drop"; Q=99; DIM R$[3]; R$[1]="a string of the program's own"
30 ENTER X,Y$,Z,W$
40 PRINT "esub: X=",X," Y$=",Y$," Z=",Z," W$=",W$
50 X=5; Y$="new"; Z=Z+1; W$=W$+"+"
60 EXIT
SAVE "esub"
DELETE
10 FOR I=1 TO 2
20 LOAD DATA "dsenter"; B$=B$+STR(I); C=I; D$="own"
30 CALL "esub",A,B$,C,D$; PRINT "main: A=",A," B$=",B$," C=",C," D$=",D$
40 NEXT I
RUN
