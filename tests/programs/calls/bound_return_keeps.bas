REM Bound returns that keep the called program's variables and those that
REM cannot: the program calling itself (the inner return keeps them, the
REM outer one finds them kept already), a LOCAL in the program, the program
REM kept by the program cache or by the process alone (its record let go
REM at the return), and one that lets go of its own ADDR while it runs.
DELETE
10 ENTER N,T$
20 PRINT "in: N=",N," T$=",T$," K=",K," W$=",W$
30 K=K+N; W$=W$+T$
40 IF N>1 THEN M=N-1; CALL "rk",M,T$
50 N=N+10; T$=T$+"."
60 EXIT
SAVE "rk"
DELETE
10 ENTER N
20 LOCAL Q; PRINT "loc: N=",N," Q=",Q," P=",P; Q=N; P=N
30 EXIT
SAVE "rl"
DELETE
10 ENTER N,T$
20 PRINT "drop: N=",N," T$=",T$," K=",K; K=N; T$=T$+"d"
30 IF N=2 THEN DROP "rd"
40 EXIT
SAVE "rd"
DELETE
10 ADDR "rk"; ADDR "rl"; ADDR "rd"
20 FOR J=1 TO 3; X=3; S$="s"; CALL "rk",X,S$; PRINT "X=",X," S$=",S$; NEXT J
30 FOR J=1 TO 3; X=J; CALL "rl",X; NEXT J
40 FOR J=1 TO 4; X=J; CALL "rd",X,S$; PRINT "S$=",S$; NEXT J
50 DROP "rk"; DROP "rl"; SET_PARAM 'PC'=3
60 FOR J=1 TO 3; X=J; S$="c"; CALL "rk",X,S$; CALL "rl",X; NEXT J
70 SET_PARAM 'PC'=0
80 FOR J=1 TO 3; X=J; S$="o"; CALL "rk",X,S$; NEXT J
RUN
