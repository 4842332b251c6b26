REM A bound call's return empties the called program's variables without
REM testing them while they are its ENTER items alone and no variable changed
REM its shape since the call: a variable the program makes on a later call,
REM an integer passed by the caller and an array made in the called program
REM each send that return the whole way; calls made the long way in between
REM (an expression passed) and the next calls see every variable empty.
DELETE
10 ENTER A,B$,C
20 IF A=3 THEN X=A*10
30 IF A=5 THEN PRINT "  X=",X
40 IF A=7 THEN DIM D[2]; D[1]=A
50 IF A=8 THEN PRINT "  X=",X
60 A=A+100; B$=B$+"!"; C=C*2
70 EXIT
SAVE "bks"
DELETE
10 ENTER N,M$
20 IF N<0 THEN Q$="q"
30 PRINT "  in: N=",N," M$=",M$
40 N=N+1; M$=M$+"m"
50 EXIT
SAVE "bks2"
DELETE
10 ADDR "bks"; ADDR "bks2"
20 FOR I=1 TO 9
30 A=I; S$="s"+STR(I); C=I/2
40 IF I=4 THEN A%=I; CALL "bks",A%,S$,C; PRINT I,": A%=",A%," S$=",S$," C=",C; GOTO 70
50 IF I=6 THEN CALL "bks",A+0,S$,C; PRINT I,": A=",A," S$=",S$," C=",C; GOTO 70
60 CALL "bks",A,S$,C; PRINT I,": A=",A," S$=",S$," C=",C
70 NEXT I
80 FOR I=1 TO 5; K=I; T$=STR(I)
90 IF I=3 THEN CALL "bks2",K+0,T$ ELSE CALL "bks2",K,T$
100 PRINT "K=",K," T$=",T$; NEXT I
110 DROP "bks"; DROP "bks2"; END
RUN
ERASE "bks"
ERASE "bks2"
