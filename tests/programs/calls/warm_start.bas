REM A resident program called again and again starts each call as the
REM first call did, whatever the last call changed: its precision, error
REM and escape lines, WITH value, variables and functions.  What the caller
REM hands over (precision, WITH value) is the caller's of this call.
DELETE
10 ENTER A,B$
20 PRINT "in: A=",A," B$=",B$," 1/3=",1/3," L=",L," .X=",.X
30 PRECISION 5; L=L+1; SETERR 100; SETESC 100; DEF FNQ(X)=X*2
35 IF A>100 THEN EXIT
40 A=A+1; B$=B$+"!"
50 EXIT
100 PRINT "no"; EXIT
SAVE "wst"
DELETE
10 ADDR "wst"
20 P=1; S$="a"
30 CALL "wst",P,S$; PRINT "out: P=",P," S$=",S$," 1/3=",1/3
40 CALL "wst",P,S$; PRINT "out: P=",P," S$=",S$
50 PRECISION 3; CALL "wst",P,S$; PRINT "out: 1/3=",1/3
60 PRECISION 2; CALL "wst",P,S$
70 WITH 7; CALL "wst",P,S$; END WITH
80 CALL "wst",P,S$
90 CALL "wst;#35",P,S$
100 PRINT "entry returned"
110 CALL "wst",P,S$
120 CALL "wst ",P,S$; CALL "wst",P,S$
130 DROP "wst"
RUN
REM From the console too, and a wrong argument after warm calls: the error
REM is the callee's ENTER's, the caller's variables keep their values.
ADDR "wst"
CALL "wst",P,S$
CALL "wst",P,S$
CALL "wst",S$,P
PRINT P,S$
CALL "wst",P,S$
DROP "wst"
REM A new version under the same name after DROP, resident again: its own
REM context, not the old one's.
DELETE
10 ENTER B$,A
20 PRINT "new: A=",A," B$=",B$," 1/3=",1/3
30 EXIT
SAVE "wst"
ADDR "wst"
P=5; S$="z"
CALL "wst",S$,P
CALL "wst",S$,P
DROP "wst"
REM Recursion of a resident program: the inner calls find the kept
REM variables taken and go the long way; each level has its own.
DELETE
10 ENTER K,R
20 IF K<=1 THEN R=1; EXIT
30 CALL "rfact",K-1,R1
40 R=K*R1
50 EXIT
SAVE "rfact"
ADDR "rfact"
CALL "rfact",5,X
PRINT X
CALL "rfact",6,X
PRINT X
CALL "rfact",3,X
PRINT X
DROP "rfact"
REM The error-handler program called warm: it gets each error afresh.
DELETE
10 ENTER
20 PRINT "handler: ERR=",ERR; D=D+1
30 EXIT
SAVE "hnd"
DELETE
10 ADDR "hnd"; SETERR "hnd"
20 D=0; X=1/D; PRINT "X=",X
30 D=0; X=2/D; PRINT "X=",X
40 D=0; X=3/D; PRINT "X=",X
50 DROP "hnd"
RUN
