REM CALL and EXIT wherever a statement may stand: first on a line, after
REM ";", in IF's THEN and ELSE parts, in a block, after a label; EXIT inside
REM the callee's FOR loop and GOSUB, EXIT with an error number taken by
REM ERR=; typed at the console; with TRACE on.
DELETE
10 ENTER A,B$,C
20 IF A<0 THEN EXIT -A
30 IF A=1 THEN FOR J=1 TO 5; IF J=3 THEN EXIT ELSE NEXT J
40 IF A=2 THEN GOSUB 80
50 A=A+1; B$=B$+"."; C=C*2
60 IF A>5 THEN { C=C+1000; EXIT }
70 EXIT
80 A=A*10; B$=B$+"g"; EXIT
SAVE "cplace"
DELETE
10 ADDR "cplace"
20 X=0; S$="s"; Y=1
30 CALL "cplace",X,S$,Y
40 PRINT "first: X=",X," S$=",S$," Y=",Y
50 X=1; CALL "cplace",X,S$,Y; PRINT "in FOR: X=",X," S$=",S$," Y=",Y
60 X=2; IF X=2 THEN CALL "cplace",X,S$,Y ELSE PRINT "no"
70 PRINT "in GOSUB: X=",X," S$=",S$
80 X=4; IF X=0 THEN PRINT "no" ELSE CALL "cplace",X,S$,Y
90 PRINT "ELSE: X=",X," S$=",S$," Y=",Y
100 IF X>0 THEN { CALL "cplace",X,S$,Y; PRINT "block: X=",X," Y=",Y }
110 X=-17; CALL "cplace",X,S$,Y,ERR=120; PRINT "no error?"
120 PRINT "EXIT 17: ERR=",ERR," X=",X
130 X=3; GOSUB 200; PRINT "label: X=",X
140 END
200 LBL: CALL "cplace",X,S$,Y; RETURN
RUN
X=7; CALL "cplace",X,S$,Y; PRINT "not reached"
X=7; CALL "cplace",X,S$,Y
PRINT "typed: X=",X," Y=",Y
X=-5; CALL "cplace",X,S$,Y
PRINT "typed, EXIT 5: ERR=",ERR," X=",X
TRACE
X=0; RUN 30
DROP "cplace"
ERASE "cplace"
