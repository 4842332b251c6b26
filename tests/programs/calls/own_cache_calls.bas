REM Plain calls (PC 0): the process keeps the called program between calls
REM out of the list, and every call takes it back as a new load (its load
REM serial, shown by PUB(0), goes up by one) with the variables cleared.
REM Arguments of every kind, a callee that errors, changes of precision,
REM two programs called in turn, recursion and calls from a called program.
10 ENTER A,B$,C%,D[ALL],(E)
20 P$=PUB(0); S=ASC(P$(1,1))*256+ASC(P$(2,1)); IF %S0=0 THEN %S0=S
30 PRINT "in: A=",A," B$=",B$," C%=",C%," D[1]=",D[1]," E=",E," X=",X," serial+",S-%S0," uses",ASC(P$(5,1))
40 A=A+1; B$=B$+"b"; C%=C%+1.7; D[1]=D[1]*2; E=-1; X=99
50 IF A>100 THEN Z=1/0
60 EXIT
SAVE "kinds"
DELETE
10 ENTER N,T$
20 PRINT "plain: N=",N," T$=",T$," Y=",Y," (N+1)/3=",(N+1)/3; N=N+10; T$=T$+"t"; Y=5
30 EXIT
SAVE "plain"
DELETE
10 ENTER K,R
20 IF K<=1 THEN R=1; EXIT
30 CALL "fact",K-1,R1
40 R=K*R1
50 EXIT
SAVE "fact"
DELETE
10 ENTER M,U$
20 CALL "plain",M,U$
30 CALL "plain",M,U$
40 EXIT
SAVE "outer"
DELETE
10 DIM Q[2]; Q[1]=3; A=1; B$="x"; C%=2
20 FOR I=1 TO 3
30 CALL "kinds",A,B$,C%,Q[ALL],I
40 PRINT "out: A=",A," B$=",B$," C%=",C%," Q[1]=",Q[1]
50 NEXT I
60 REM Values as arguments: nothing flows back.
70 CALL "kinds",A+0,B$+"",C%+0,Q[ALL],0
80 PRINT "values: A=",A," B$=",B$," C%=",C%
90 REM A callee that fails hands its error to the call; the next call is as any other.
100 A=500; CALL "kinds",A,B$,C%,Q[ALL],0,ERR=120
110 PRINT "no error?"
120 PRINT "error",ERR," A=",A; A=1
130 CALL "kinds",A,B$,C%,Q[ALL],0
140 REM Two programs in turn, and one called at another precision.
150 N=1; T$=""
160 FOR I=1 TO 2; CALL "plain",N,T$; CALL "kinds",A,B$,C%,Q[ALL],I; NEXT I
170 PRECISION 4; CALL "plain",N,T$; PRECISION 2; CALL "plain",N,T$
180 PRINT "N=",N," T$=",T$
190 REM Recursion, and calls made by a called program.
200 FOR I=3 TO 5; CALL "fact",I,R; PRINT I,"! =",R; NEXT I
210 W=0; W$=""; CALL "outer",W,W$; CALL "outer",W,W$; PRINT "W=",W," W$=",W$
220 P$=PUB(0,ERR=240)
230 PRINT "a program stayed listed"
240 PRINT "PUB(0) after the calls: error",ERR
RUN
REM The same program saved again between calls is read again.
DELETE
10 ENTER N,T$
20 PRINT "new plain: N=",N," T$=",T$; N=-N
30 EXIT
SAVE "plain"
N=7; T$="q"
CALL "plain",N,T$
CALL "plain",N,T$
PRINT N,T$
