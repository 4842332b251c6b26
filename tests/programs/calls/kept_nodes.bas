REM A resident program called with its arguments bound finds its variables
REM cleared at every call, whatever the last call left in them: a value in
REM a node with a left branch, a string (in a node with a left branch, and
REM in one alone), an array, an associative array, a record template, an
REM integer of its own; a parameter that an integer of the caller made an
REM integer for one call is a plain number the next time.
DELETE
10 ENTER M,B$,C
20 PRINT "in: K=",K," S$=""",S$,""" R$=""",R$,"""",
30 SETERR 50; PRINT " D[1]=",D[1],; SETERR 0
40 PRINT " T=",T["k"],; GOTO 70
50 PRINT " D: error",ERR,; GOTO 40
70 K=M+1; S$=B$+"x"; DIM D[2]; D[1]=M+1; T["k"]=C+1; DIM R$:"F1:C(3),F2:N(4)"
75 PRINT " out: K=",K," S$=",S$," R$=""",R$,""""
80 EXIT
SAVE "kn"
DELETE
10 ENTER A
20 PRINT "in: I%=",I%," Q$=""",Q$,"""",; I%=7.5; Q$=Q$+"q"; PRINT " I%=",I%,; A=A+0.25; PRINT " A=",A
30 EXIT
SAVE "kni"
DELETE
10 ADDR "kn"; ADDR "kni"
20 FOR J=1 TO 3; CALL "kn",X,Y$,Z; X=X+1; Y$=Y$+"y"; Z=Z+5; NEXT J
30 FOR J=1 TO 3; CALL "kni",X; X%=2; CALL "kni",X%; PRINT "X%=",X%; NEXT J
RUN
REM The same from a program method's bound return: its variables too.
DELETE
10 DEF CLASS "KN"
20 FUNCTION F(M,B$)
30 ENTER M,B$
40 PRINT "in: K=",K," S$=""",S$,""" I%=",I%,
50 SETERR 60; PRINT " D[1]=",D[1]; SETERR 0; GOTO 70
60 PRINT " D: error",ERR
70 K=M+1; S$=B$+"x"; I%=7.5; DIM D[2]; D[1]=M+1
80 RETURN K+I%
90 FUNCTION END
100 END DEF
110 H=NEW("KN")
120 FOR J=1 TO 3; PRINT H'F(J,"s"); NEXT J
SAVE "knm"
RUN
