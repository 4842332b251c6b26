REM DROP DATA in a called program frees the variables of a data set its
REM caller loaded: what the caller passed of them by reference gets nothing
REM back at the return, while its other arguments do.  The called program
REM drops the set itself (EXIT, END), or below a program that passes them
REM on; one that loads the set before its ENTER names a variable of it
REM sends nothing back to the caller's own variable, which keeps its value.
B$="hello"; A=1
SAVE DATA "dsdrop"
CLEAR
DELETE
10 ENTER X,Y$,Z
20 PRINT "dsub: X=",X," Y$=",Y$," Z=",Z
30 X=X+1; Y$=Y$+"x"; Z=Z+1
40 DROP DATA "dsdrop"
50 P$="after"+"drop"; Q=7; R=8
60 EXIT
SAVE "dsub"
DELETE
10 ENTER X,Y$
20 X=X+1; Y$=Y$+"e"
30 DROP DATA "dsdrop"
40 END
SAVE "dsubend"
DELETE
10 LOAD DATA "dsdrop"
20 ENTER A,N
30 A=A+5; N=N+A
40 DROP DATA "dsdrop"
50 EXIT
SAVE "dsubown"
DELETE
10 ENTER X,Y$
20 CALL "dsubend",X,Y$
30 PRINT "dsubmid: X=",X," Y$=",Y$
40 EXIT
SAVE "dsubmid"
DELETE
10 FOR I=1 TO 3
20 LOAD DATA "dsdrop"; A=10*I; B$="v"+STR(I); C=I
30 CALL "dsub",A,B$,C; PRINT "main: A=",A," B$=",B$," C=",C
40 LOAD DATA "dsdrop"; A=20*I; B$="w"+STR(I)
50 CALL "dsubend",A,B$; PRINT "main: A=",A," B$=",B$
60 K=I; L=I; CALL "dsubown",K,L; PRINT "main: K=",K," L=",L
70 LOAD DATA "dsdrop"; A=30*I; B$="m"+STR(I)
80 CALL "dsubmid",A,B$; PRINT "main: A=",A," B$=",B$
90 NEXT I
RUN
LOAD DATA "dsdrop"
CALL "dsub",A,B$,C
PRINT "console: A=",A," B$=",B$," C=",C
