REM EXIT from bound calls: values back when every caller's variable is
REM plain, and when some are integers (those take the general way, the
REM others go straight back); a caller's string emptied, one grown; a
REM callee that keeps a variable of its own between calls (cleared each
REM time); a bound call from a called program (its own return level kept:
REM EXIT from the outer one still returns to the top).
DELETE
10 ENTER A,B$,C
20 PRINT "in: A=",A," B$=[",B$,"] C=",C," K=",K
30 A=A+1; B$=B$+"+"; C=C*2; K=K+1
40 EXIT
SAVE "bex1"
DELETE
10 ENTER N,T$
20 N=N+10; T$=""
30 EXIT
SAVE "bex2"
DELETE
10 ENTER M,U$
20 CALL "bex1",M,U$,M2; PRINT "mid: M=",M," U$=",U$," M2=",M2
30 M=M+100
40 EXIT
SAVE "bex3"
DELETE
10 ADDR "bex1"; ADDR "bex2"; ADDR "bex3"
20 X=1; S$="s"; Y=3
30 FOR J=1 TO 3; CALL "bex1",X,S$,Y; PRINT "X=",X," S$=",S$," Y=",Y; NEXT J
40 X%=5; Y%=7; CALL "bex1",X%,S$,Y%; PRINT "X%=",X%," S$=",S$," Y%=",Y%
50 X=2; CALL "bex1",X,S$,Y%; PRINT "X=",X," S$=",S$," Y%=",Y%
60 CALL "bex1",X%,S$,Y; PRINT "X%=",X%," S$=",S$," Y=",Y
70 CALL "bex1",X,S$,Y; PRINT "plain again: X=",X," S$=",S$," Y=",Y
80 CALL "bex2",X%,S$; PRINT "X%=",X%," S$=[",S$,"]"
90 S$="back"; CALL "bex2",X,S$; PRINT "X=",X," S$=[",S$,"]"
100 P=1; Q$="q"; FOR J=1 TO 2; CALL "bex3",P,Q$; PRINT "outer: P=",P," Q$=",Q$; NEXT J
110 P%=1; CALL "bex3",P%,Q$; PRINT "outer: P%=",P%," Q$=",Q$
120 DROP "bex1"; DROP "bex2"; DROP "bex3"
RUN
