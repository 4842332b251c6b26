REM After a program method's call the statement goes on from the code right
REM after the call: in a PRINT list, an expression, an IF, ON ... GOTO, a
REM FOR limit, a second assignment, a READ's KEY= and a WRITE's record,
REM on the first call (the load) and the warm ones after it; an error in
REM the method caught by the caller's SETERR; a class redefined.
10 GOSUB 1000
20 H=NEW("C"); G=NEW("C"); H'A=1; G'A=100
30 FOR R=1 TO 3; PRINT H'P(R,1)," mid ",G'P(R,2)," end"; NEXT R
40 FOR R=1 TO 3; X=H'P(R,1)+G'P(1,1)*2, Y=X+1; PRINT X,Y; NEXT R
50 FOR R=1 TO 3; IF H'P(R,0)>2 THEN PRINT "big",R ELSE PRINT "small",R
60 NEXT R
70 FOR R=1 TO 3; ON H'P(R,-1) GOTO 80,90,100
80 PRINT "one"; GOTO 110
90 PRINT "two"; GOTO 110
100 PRINT "three"
110 NEXT R
120 FOR R=1 TO 3; N=0; FOR K=1 TO H'P(R,0); N=N+1; NEXT K; PRINT "limit",N; NEXT R
130 ERASE "mcur.dat",ERR=140
140 DIRECT "mcur.dat",4,40; OPEN (1)"mcur.dat"
150 FOR R=1 TO 3; WRITE (1,KEY=STR(H'P(R,0):"0000"))"rec"+STR(H'P(R,5)),R; NEXT R
160 FOR R=1 TO 3; READ (1,KEY=STR(H'P(R,0):"0000"))T$,V; PRINT T$,V; NEXT R
170 CLOSE (1); ERASE "mcur.dat"
180 FOR R=1 TO 3; SETERR 190; X=-1; X=H'BAD(R); PRINT "not raised"
190 SETERR 0; PRINT "caught",ERR,X," ",H'P(R,1); NEXT R
200 FOR R=1 TO 2; PRINT H'P(R,1); NEXT R
210 DROP OBJECT H; DROP OBJECT G; DROP CLASS "C"; GOSUB 2000
220 H=NEW("C"); H'A=1; FOR R=1 TO 3; PRINT H'P(R,1)," after ",H'P(R,2); NEXT R
230 END
1000 DEF CLASS "C"
1010 PROPERTY A
1020 FUNCTION P(X,Y)
1030 ENTER X,Y
1040 Z=X+Y; RETURN Z+A
1050 FUNCTION END
1060 FUNCTION BAD(X)
1070 ENTER X
1080 RETURN X/0
1090 FUNCTION END
1100 END DEF
1110 RETURN
2000 DEF CLASS "C"
2010 PROPERTY A
2020 FUNCTION P(X,Y)
2030 ENTER X,Y
2040 Z=X*Y; RETURN Z-A
2050 FUNCTION END
2060 END DEF
2070 RETURN
SAVE "mcursor"
RUN
