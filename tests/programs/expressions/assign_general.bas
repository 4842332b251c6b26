REM Numeric assignments whose value starts like a simple one (one or two
REM plain operands) and turns out longer or of another kind: the general
REM evaluator gives the value, the error and the cursor after it.
10 A=3; B=4; C=0.5; A$="x"; DIM T[3]; T[1]=7
20 X=A+B+C; PRINT X
30 X=A+B*2; PRINT X
40 X=A-B/8, Y=X+1; PRINT X, Y
50 X=A; X=X+A*2; PRINT X
60 X=5; X=X-B-1; PRINT X
70 X=T[1]+LEN(A$)+1; PRINT X
80 X=A+B, Y=A*B; PRINT X, Y
90 X=A>B+1; PRINT X
100 X=A+ABS(-2); PRINT X
110 SETERR 200; X=7; X=X+A$; PRINT "no error"
120 SETERR 210; X=A+1/0; PRINT "no error"
130 SETERR 220; X=A$; PRINT "no error"
140 SETERR 0; END
200 PRINT "caught", ERR, X; GOTO 120
210 PRINT "caught", ERR, X; GOTO 130
220 PRINT "caught", ERR, X; GOTO 140
RUN
