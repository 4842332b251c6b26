REM CALL and EXIT as the statement loop takes them: the name forms a CALL
REM may give (a plain literal, an expression, an empty name, a routing
REM prefix, a literal followed by more of an expression), a literal name of
REM a program that cannot start warm, EXIT of a call made the long way and
REM of a bound one in turn, EXIT where no call is open (a program run, a
REM multi-line function's body inside a called program), and an ERR= line
REM of the caller whose number the callee has too.
DELETE
10 ENTER A,B$,C
20 IF C<0 THEN Z=1/0
30 A=A+1; B$=B$+"+"; C=C*2
40 EXIT
100 PRINT "callee's line 100: wrong"; EXIT
SAVE "lcp"
DELETE
10 PRINT "no ENTER here"; EXIT
SAVE "lcpe"
DELETE
10 ENTER A
20 DEF FNX(Q)
30 EXIT
40 RETURN Q
50 FNEND
60 A=FNX(A)
70 EXIT
SAVE "lcpf"
DELETE
10 ADDR "lcp"
20 X=1; S$="s"; Y=1
30 FOR I=1 TO 2; CALL "lcp",X,S$,Y; NEXT I
40 PRINT "literal: X=",X," S$=",S$," Y=",Y
50 CALL "lc"+"p",X,S$,Y; PRINT "expression: X=",X," S$=",S$," Y=",Y
60 CALL "lcp"+"",X,S$,Y; PRINT "literal and more: X=",X," S$=",S$," Y=",Y
70 CALL "[lcl]lcp",X,S$,Y; PRINT "prefix: X=",X," S$=",S$," Y=",Y
80 CALL "",X,S$,Y,ERR=90; PRINT "no error?"
90 PRINT "empty name: ERR=",ERR; GOTO 110
100 PRINT "caller's ERR= line: ERR=",ERR," X=",X," S$=",S$," Y=",Y; GOTO 140
110 FOR I=1 TO 3; CALL "lcp",X+0,S$,Y; CALL "lcp",X,S$,Y; NEXT I
120 PRINT "long way and bound in turn: X=",X," S$=",S$," Y=",Y
130 Y=-1; CALL "lcp",X,S$,Y,ERR=100; PRINT "no error?"
140 CALL "lcpe"; CALL "lcpe",ERR=900; PRINT "back from lcpe"
150 CALL "lcpf",X,ERR=160; PRINT "no error?"
160 PRINT "EXIT in a function body: ERR=",ERR," X=",X
170 Y=1; DROP "lcp"; CALL "lcp",X,S$,Y; PRINT "dropped: X=",X," S$=",S$," Y=",Y
180 EXIT
190 PRINT "not reached"
200 END
RUN
X=1; Y=1; CALL "lcp",X,S$,Y
PRINT "typed: X=",X," S$=",S$," Y=",Y
EXIT
ERASE "lcp"
ERASE "lcpe"
ERASE "lcpf"
