REM A program called again and again with bound arguments keeps its
REM variables and name between the calls: calls that take them another
REM way in between (expressions, an entry point, another spelling of the
REM name, a nested load, a SAVE in the program, DROP, ADDR, the program
REM cache) see the program as the last return left it, and PUB() the same
REM uses.
DELETE
10 ENTER A,B$
20 PRINT "pk: A=",A," B$=",B$," K=",K; K=K+A; A=A+1; B$=B$+"p"
30 IF A=13 THEN CALL "pn",A
40 EXIT
50 MORE: PRINT "pk;more K=",K," B$=",B$; K=7; B$="m"; EXIT
SAVE "pk"
DELETE
10 ENTER N
20 PRINT "  pn: N=",N; N=N*2
30 EXIT
SAVE "pn"
DELETE
10 ENTER A
20 PRINT "ps: A=",A," K=",K; K=A
30 IF A=2 THEN SAVE "ps.copy"
40 EXIT
SAVE "ps"
DELETE
10 ADDR "pk"; ADDR "ps"; X=1; S$=""
20 FOR I=1 TO 3; CALL "pk",X,S$; NEXT I; GOSUB 900
30 CALL "pk",X+0,S$; CALL "pk",X,S$; CALL "pk",X,S$+"e"; CALL "pk",X,S$
40 CALL "pk;more"; CALL "pk",X,S$; CALL "pk",X,S$
50 CALL "pk ",X,S$; CALL "pk",X,S$; CALL "pk ",X,S$; CALL "pk",X,S$; CALL "pk",X,S$
60 FOR I=1 TO 2; CALL "pk",X,S$; NEXT I; PRINT "X=",X," S$=",S$; GOSUB 900
70 FOR I=1 TO 4; Y=I; CALL "ps",Y; NEXT I
80 DROP "ps"; ERASE "ps"; Y=5; CALL "ps",Y,ERR=90; PRINT "called a dropped program?"
90 PRINT "dropped: ERR=",ERR; CALL "ps.copy",Y
100 DROP "pk"; GOSUB 900; X=20; CALL "pk",X,S$; CALL "pk",X,S$
110 SET_PARAM 'PC'=3; ADDR "pk"; CALL "pk",X,S$; CALL "pk",X,S$; DROP "pk"
120 FOR I=1 TO 2; CALL "pk",X,S$; NEXT I; GOSUB 900
130 INVOKE "cp pn pk"; ERASE "drop.mark",ERR=*NEXT; CALL "pk",X,ERR=140; PRINT "X=",X
140 SET_PARAM 'PC'=0; GOSUB 900; END
900 K=0
910 P$=PUB(K,ERR=930); PRINT "  ",K,": uses ",DEC(P$(4,2))," ",P$(17); K=K+1; GOTO 910
930 RETURN
RUN
ERASE "pk"
ERASE "pn"
ERASE "ps.copy"
