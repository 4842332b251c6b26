REM Programs called in turn start warm wherever they are in the list of
REM loaded programs: values flow back, the list's order after each round
REM (PUB() is what the search by name leaves), a program copied over between
REM calls runs new, calls with expressions (warm, not bound) in turn, and
REM with the program cache (PC 2) the order decides which program stays
REM loaded.
DELETE
10 ENTER A,B$,C
20 A=A+1; B$=B$+"a"; C=C+100
30 EXIT
SAVE "wta"
DELETE
10 ENTER A,B$,C
20 A=A*2; B$=B$+"b"; C=C+200
30 EXIT
SAVE "wtb"
DELETE
10 ENTER A,B$
20 A=A-1; B$=B$+"c"
30 EXIT
SAVE "wtc"
DELETE
10 ADDR "wta"; ADDR "wtb"; ADDR "wtc"
20 X=1; S$=""; Y=0
30 FOR I=1 TO 3; CALL "wta",X,S$,Y; CALL "wtb",X,S$,Y; CALL "wtc",X,S$; GOSUB 900; NEXT I
40 CALL "wtb",X,S$,Y; CALL "wtb",X,S$,Y; CALL "wta",X,S$,Y; GOSUB 900
50 DROP "wta"; DROP "wtb"; DROP "wtc"
60 SET_PARAM 'PC'=2; X=1; S$=""; Y=0
70 FOR I=1 TO 3; CALL "wta",X,S$,Y; CALL "wtb",X,S$,Y; CALL "wtc",X,S$; GOSUB 900; NEXT I
80 FOR I=1 TO 2; CALL "wtc",X,S$; CALL "wta",X,S$,Y; GOSUB 900; NEXT I
90 INVOKE "cp wtc wtc.old"; INVOKE "cp wta wtc"
100 CALL "wtb",X,S$,Y; CALL "wtc",X,S$,Y; CALL "wtb",X,S$,Y; GOSUB 900
110 INVOKE "cp wtc.old wtc"
120 CALL "wta",X,S$,Y; CALL "wtc",X,S$; CALL "wta",X,S$,Y; GOSUB 900
130 FOR I=1 TO 2; CALL "wta",X+0,S$,Y; CALL "wtb",X,S$+"",Y; CALL "wtc",X,S$; GOSUB 900; NEXT I
140 SET_PARAM 'PC'=0; END
900 PRINT "X=",X," S$=",S$," Y=",Y
910 K=0
920 P$=PUB(K,ERR=940); PRINT "  ",K,": ",P$(17); K=K+1; GOTO 920
940 RETURN
RUN
ERASE "wta"
ERASE "wtb"
ERASE "wtc"
ERASE "wtc.old"
