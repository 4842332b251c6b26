REM A resident program called bound (its variables by reference) keeps one
REM warm start, built for the caller state of the call that set it up: a
REM call from the error-handler program, or from a program that runs with
REM its caller's variables (PERFORM), is not a plain call's and the other
REM way round.  Strings: one variable passed twice (first and last), the
REM second time by value.
DELETE
10 ENTER A,B$,C
20 PRINT "wsub: A=",A," B$=",B$," C=",C
30 IF A=99 THEN X=1/0
40 A=A+1; B$=B$+"+"; C=C*2
50 EXIT
SAVE "wsub"
DELETE
10 ENTER
20 PRINT "handler: ERR=",ERR; N=99; T$="h"; M=1
30 CALL "wsub",N,T$,M
40 PRINT "handler: back, N=",N
50 D=1
60 EXIT
SAVE "whnd"
DELETE
10 ENTER
20 PRINT "handler2: ERR=",ERR," A=",A
30 FOR J=1 TO 2; N=98; T$="h"; M=J; CALL "wsub",N,T$,M; NEXT J
40 D=1; A=0
50 EXIT
SAVE "whnd2"
DELETE
10 ENTER
20 P=P+10; CALL "wsub",P,Q$,R; PRINT "performed: P=",P," Q$=",Q$," R=",R
30 EXIT
SAVE "wperf"
REM Warm start set up by the program: the handler's call goes its own way
REM (an error in it is not handed to the handler again).
DELETE
10 ADDR "wsub"; ADDR "whnd"; ADDR "wperf"
20 SETERR "whnd"
30 X=1; S$="s"; Y=3
40 FOR I=1 TO 2; CALL "wsub",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y; NEXT I
50 P=1; Q$="q"; R=2
60 FOR I=1 TO 2; PERFORM "wperf"; PRINT "main: P=",P," Q$=",Q$," R=",R; NEXT I
70 CALL "wsub",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y
80 D=0; Z=5/D; PRINT "main: Z=",Z
RUN
DROP "wsub"; DROP "whnd"; DROP "wperf"
REM Warm start set up by the handler: the program's call that fails hands
REM its error to the handler.
DELETE
10 ADDR "wsub"; ADDR "whnd2"
20 SETERR "whnd2"
30 D=0; Z=5/D; PRINT "main: Z=",Z
40 X=99; S$="s"; Y=3
50 CALL "wsub",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y
60 CALL "wsub",X,S$,Y; PRINT "main: X=",X," S$=",S$," Y=",Y
70 DROP "wsub"; DROP "whnd2"
RUN
DELETE
10 ENTER A$,N,C$
20 PRINT "wstr: A$=",A$," N=",N," C$=",C$; A$=A$+"a"; N=N+1; C$=C$+"c"
30 EXIT
SAVE "wstr"
DELETE
10 ADDR "wstr"
20 U$="u"; V$="v"; K=0
30 FOR I=1 TO 2; CALL "wstr",U$,K,V$; PRINT "U$=",U$," K=",K," V$=",V$; NEXT I
40 FOR I=1 TO 2; CALL "wstr",U$,K,U$; PRINT "U$=",U$," K=",K; NEXT I
50 CALL "wstr",V$,K,U$; PRINT "U$=",U$," K=",K," V$=",V$
60 DROP "wstr"
RUN
ERASE "wstr"
ERASE "wsub"
ERASE "whnd"
ERASE "whnd2"
ERASE "wperf"
