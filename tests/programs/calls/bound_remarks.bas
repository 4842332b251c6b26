REM Programs whose ENTER follows lines of remarks: the values flow back as
REM for an ENTER on the first line, an ENTER that does not end its line goes
REM on with its line, an ENTER at the end of the program, a failing call,
REM TRACE over the remark lines.
DELETE
10 REM called with a number and a string
20 REM
30 COMMENT both come back changed
40 ENTER A,B$
50 A=A+1; B$=B$+"."; K=K+1
60 PRINT "rem: A=",A," B$=",B$," K=",K
70 EXIT
SAVE "rlines"
DELETE
10 REM the statements after ENTER run
20 ENTER A,B$; PRINT "same line: A=",A," B$=",B$; A=-A
30 EXIT
SAVE "rsame"
DELETE
10 REM only ENTER after this
20 ENTER A
SAVE "rlast"
DELETE
10 ADDR "rlines"; ADDR "rsame"; ADDR "rlast"
20 X=1; S$="s"
30 FOR I=1 TO 3; CALL "rlines",X,S$; NEXT I
40 PRINT "X=",X," S$=",S$
50 FOR I=1 TO 3; CALL "rsame",X,S$; NEXT I
60 PRINT "X=",X
70 FOR I=1 TO 2; CALL "rlast",X; NEXT I
80 PRINT "after the last line: X=",X
90 CALL "rlines",S$,X,ERR=100
100 PRINT "a string for a number: ERR=",ERR," X=",X," S$=",S$
110 CALL "rlines",X,ERR=120
120 PRINT "too few: ERR=",ERR," X=",X
130 X%=4; CALL "rlines",X%,S$; PRINT "X%=",X%
140 CALL "rlines",X,S$,ERR=150
150 CALL "rlines",X,S$; PRINT "X=",X," S$=",S$
RUN
TRACE
RUN 140
ENDT
DROP "rlines"; DROP "rsame"; DROP "rlast"
REM Statements before the ENTER that are not remarks: the long way, and
REM what they do is seen.
DELETE
10 REM a SETERR first
20 SETERR 60
30 ENTER A
40 PRINT "seterr: A=",A; A=A*10; IF A>25 THEN Z=1/0
50 EXIT
60 PRINT "callee's SETERR: ERR=",ERR; EXIT
SAVE "rseterr"
DELETE
10 PRINT "printed first"
20 REM
30 ENTER A$
40 A$=A$+"!"
50 EXIT
SAVE "rprint"
DELETE
10 REM a remark, then a label
20 TOP:
30 ENTER A
40 A=A+100
50 EXIT
SAVE "rlabel"
DELETE
10 ADDR "rseterr"; ADDR "rprint"; ADDR "rlabel"
20 FOR I=1 TO 3; X=I; CALL "rseterr",X; PRINT "X=",X; NEXT I
30 T$="t"; FOR I=1 TO 2; CALL "rprint",T$; NEXT I; PRINT "T$=",T$
40 X=1; FOR I=1 TO 2; CALL "rlabel",X; NEXT I; PRINT "X=",X
RUN
DROP "rseterr"; DROP "rprint"; DROP "rlabel"
REM An error after the skipped lines: the lines an error records.
DELETE
10 REM
20 ENTER A
30 SETERR 60
40 IF A>1 THEN Z=1/0
50 EXIT
60 PRINT "error at ",TCB(5)," retry ",TCB(11)," ERR=",ERR," A=",A; A=-A; EXIT
SAVE "rerr"
DELETE
10 ADDR "rerr"
20 FOR I=1 TO 3; X=I; CALL "rerr",X; PRINT "X=",X; NEXT I
30 X=5; CALL "rerr",X,ERR=40; PRINT "X=",X
40 DROP "rerr"
RUN
REM Calls without arguments of programs that begin with lines of remarks:
REM the first statement after them runs, under TRACE too; an error there
REM names its line; a program of remarks alone; a label after the remarks.
DELETE
10 REM a header
20 REM of three
30 COMMENT lines
40 PRINT "header: H=",H; H=H+1
50 IF %G THEN PRINT 1/0
60 EXIT
SAVE "rhead"
DELETE
10 REM nothing but remarks
20 REM
SAVE "ronly"
DELETE
10 REM a remark, then a label
20 TOP: PRINT "at the label"
30 EXIT
SAVE "rtop"
DELETE
10 ADDR "rhead"; ADDR "ronly"; ADDR "rtop"
20 FOR I=1 TO 3; CALL "rhead"; NEXT I
30 FOR I=1 TO 2; CALL "ronly"; PRINT "back from ronly"; NEXT I
40 FOR I=1 TO 2; CALL "rtop"; NEXT I
50 %G=1; CALL "rhead",ERR=60; PRINT "no error?"
60 PRINT "callee error: ERR=",ERR; %G=0
70 CALL "rhead"
RUN
TRACE
RUN 50
ENDT
DROP "rhead"; DROP "ronly"; DROP "rtop"
