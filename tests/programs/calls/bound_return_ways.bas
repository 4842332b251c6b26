REM Bound returns on each of their ways back: to the console (a CALL typed
REM there, and what follows it on its line), to a program line, from a
REM callee naming a global ("%") variable (its variables are not kept: they
REM go the long way), with the arguments mixed (strings and numbers in any
REM order, values among the references), and from a callee whose variables
REM hold what the clear takes the long way (a string, an array, an integer).
DELETE
10 ENTER A,B$
20 PRINT "in: A=",A," B$=",B$," K=",K; K=K+A; A=A*2; B$=B$+"c"
30 EXIT
SAVE "bw"
DELETE
10 ENTER P$,N,(V),Q$,M
20 PRINT "g: P$=",P$," N=",N," V=",V," Q$=",Q$," M=",M," L=",L," %G=",%G
30 P$=P$+"p"; N=N+V; V=0; Q$=""; M=-M; L=L+1; %G=%G+1
40 EXIT
SAVE "bg"
DELETE
10 ENTER A
20 PRINT "u: A=",A," S$=[",S$,"] I%=",I%,
30 SETERR 50; PRINT " D[1]=",D[1]; SETERR 0; GOTO 60
50 PRINT " D: error",ERR
60 S$="held"; I%=A+0.5; DIM D[1]; D[1]=A; A=A+1
70 EXIT
SAVE "bu"
ADDR "bw"; ADDR "bg"; ADDR "bu"
X=1; S$="s"
CALL "bw",X,S$
PRINT "console: X=",X," S$=",S$
CALL "bw",X,S$; PRINT "after the call on its line"
CALL "bw",X,S$
PRINT "console again: X=",X," S$=",S$
CALL "bw",X+1,"lit"
PRINT "values: X=",X
DELETE
10 X=1; S$="s"; T$="t"; Y=5
20 FOR J=1 TO 3; CALL "bg",S$,X,Y,T$,Y; PRINT "back: S$=",S$," X=",X," Y=",Y," T$=[",T$,"]"; T$="t"; NEXT J
30 FOR J=1 TO 3; Z=J; CALL "bu",Z; PRINT "Z=",Z; NEXT J
40 FOR J=1 TO 2; CALL "bw",X,S$; NEXT J; PRINT "line: X=",X," S$=",S$
50 DROP "bw"; DROP "bg"; DROP "bu"
RUN
