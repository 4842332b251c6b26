REM Calls that fail part of the way: before ENTER, in the middle of ENTER
REM (the arguments bound so far go back whole), and the same ENTER run
REM twice in one call.  The caller's string keeps its text every time.
DELETE
10 X=1/0
20 ENTER A,B$,C
30 EXIT
SAVE "pre"
DELETE
10 ENTER A,B$,C$
20 PRINT "not reached"
30 EXIT
SAVE "mid"
DELETE
10 ENTER (A),B$
20 C=C+1; B$=B$+"+"; IF C<2 THEN GOTO 10
30 EXIT
SAVE "again"
DELETE
10 ADDR "mid"; ADDR "again"
20 FOR I=1 TO 3
30 N=I; S$="keep"+STR(I); M=7
40 CALL "pre",N,S$,M,ERR=60
50 PRINT "pre returned?"
60 PRINT "pre: error",ERR," N=",N," S$=",S$
70 CALL "mid",N,S$,M,ERR=90
80 PRINT "mid returned?"
90 PRINT "mid: error",ERR," N=",N," S$=",S$
100 CALL "again",N,S$,ERR=120
110 PRINT "again returned?"
120 PRINT "again: error",ERR," N=",N," S$=",S$
130 NEXT I
140 DROP "mid"; DROP "again"
RUN
REM Numbers that come back to an integer variable are truncated; a callee's
REM integer item truncates what it is given, call after call.
DELETE
10 ENTER A%,B
20 B=B+0.75; PRINT "A%=",A%
30 EXIT
SAVE "ints"
DELETE
10 ADDR "ints"
20 FOR I=1 TO 2
30 X%=I; CALL "ints",I+0.5,X%; PRINT "X%=",X%
40 NEXT I
50 DROP "ints"
RUN
REM The variables kept between calls belong to one version of a program: a
REM new version saved under the name (after DROP, or with the program cache
REM checking the file) has its own, in another order and of other kinds.
DELETE
10 ENTER P,Q$
20 PRINT "old: P=",P," Q$=",Q$," L=",L; L=P
30 EXIT
SAVE "ver"
DELETE
10 ADDR "ver"
20 CALL "ver",1,"a"; CALL "ver",2,"b"
RUN
DELETE
10 ENTER Q$,P$,L
20 PRINT "new: Q$=",Q$," P$=",P$," L=",L," P=",P; P=L
30 EXIT
SAVE "ver"
CALL "ver",3,"c"
DROP "ver"
CALL "ver","d","e",4
CALL "ver","f","g",5
SET_PARAM 'PC'=3
CALL "ver","h","i",6
DELETE
10 ENTER P,Q$
20 PRINT "third: P=",P," Q$=",Q$," L=",L
30 EXIT
SAVE "ver"
CALL "ver",7,"j"
CALL "ver",8,"k"
SET_PARAM 'PC'=0
REM Deep recursion: each level has its own variables, a string passed by
REM reference through every level comes back with every level's mark.
DELETE
10 ENTER K,T$,R
20 T$=T$+CHR(65+MOD(K,26))
30 IF K=0 THEN R=0; EXIT
40 CALL "deep",K-1,T$,R
50 R=R+K
60 EXIT
SAVE "deep"
T$=""
CALL "deep",150,T$,R
PRINT LEN(T$),R,T$(1,30)
ADDR "deep"
T$=""
CALL "deep",150,T$,R
PRINT LEN(T$),R,T$(1,30)
DROP "deep"
