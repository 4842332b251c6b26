REM A program method called again and again from one place starts from what
REM the first call kept (its context, its variables, its argument records)
REM only while that fits: each case below changes one thing between calls
REM and must give what a first call gives.
10 GOSUB 1000
20 H=NEW("M"); G=NEW("M"); H'A=1; G'A=100
30 REM numbers and strings by reference and by value, a string given twice
40 FOR R=1 TO 3; X=R; S$="s"; T$="t"; PRINT H'F(X,S$,2+R)," ",X," ",S$," ",H'G$(S$,S$)," ",S$," ",H'G$(T$,"v")," ",T$; NEXT R
50 REM overloads by the kind of the argument, each from its own place
60 FOR R=1 TO 3; V=R; V$=STR(R); PRINT H'K(V)," ",H'K(V$)," ",H'K(R+R); NEXT R
100 REM arguments of three operands, nine arguments, an array
110 DIM Q[3]; FOR R=1 TO 3; Q[1]=R; PRINT H'F(R+1+1,"a",R*2*1)," ",H'N(1,2,3,4,5,6,7,8,R)," ",H'Q(Q[ALL])," ",Q[2]; NEXT R
120 REM the caller's WITH value reaches the method, its precision does not
130 FOR R=2 TO 4; PRECISION R; PRINT H'D(1,3)," ",H'D(2,3); NEXT R; PRECISION 2
140 REM another object, a dropped and remade one, one with its own variables
150 FOR R=1 TO 3; PRINT H'F(R+0,"",1)," ",G'F(R+0,"",1); NEXT R
160 DROP OBJECT G; G=NEW("M"); G'A=7; PRINT H'F(1,"",1)," ",G'F(1,"",1)," ",H'F(1,"",1)
170 O=NEW("W"); O'A=5; FOR R=1 TO 3; PRINT O'F(R+0,"",1)," ",O'STAT(R+0)," ",H'F(R+0,"",1); NEXT R
180 REM run-time properties added to the object and its own precision
190 PRINT H'F(1,"",1); PRINT H'ADDS(); PRINT H'F(1,"",1)," ",H'RT," ",H'D(2,3)," ",H'F(1,"",1)
200 REM an error inside the method, caught by the caller's SETERR, then calls
210 FOR R=1 TO 3; SETERR 230; Z=H'BAD(R+0); PRINT "not raised"
230 SETERR 0; PRINT "SETERR ",ERR," ",H'F(R+0,"",1); NEXT R
260 END
1000 DEF CLASS "M"
1010 PROPERTY A,RT0
1020 FUNCTION F(X,S$,Y)
1030 ENTER X,S$,Y
1040 L=L+1; S$=S$+"+"; X=X*10; RETURN X+Y+A+L
1050 FUNCTION END
1060 FUNCTION G$(P$,Q$)
1070 ENTER P$,Q$
1080 P$=P$+"p"; RETURN P$+Q$
1090 FUNCTION END
1100 FUNCTION K(X)
1110 ENTER X
1120 RETURN X*1000
1130 FUNCTION END
1140 FUNCTION K(X$)
1150 ENTER X$
1160 RETURN 5000+NUM(X$)
1170 FUNCTION END
1180 FUNCTION N(A1,A2,A3,A4,A5,A6,A7,A8,A9)
1190 ENTER A1,A2,A3,A4,A5,A6,A7,A8,A9
1200 RETURN A1+A2+A3+A4+A5+A6+A7+A8+A9
1210 FUNCTION END
1220 FUNCTION Q(V[ALL])
1230 ENTER V[ALL]
1240 V[2]=V[2]+1; RETURN V[1]*10+V[2]
1250 FUNCTION END
1260 FUNCTION D(X,Y)
1270 ENTER X,Y
1280 RETURN X/Y
1290 FUNCTION END
1292 FUNCTION ADDS()
1294 ADD PROPERTY RT=9; PRECISION 1 FOR OBJECT; RETURN 0
1296 FUNCTION END
1300 FUNCTION BAD(X)
1310 ENTER X
1320 Z=X/0; RETURN 1
1330 FUNCTION END
1340 END DEF
1400 DEF CLASS "W"
1410 STATIC *
1420 PROPERTY A
1430 FUNCTION F(X,S$,Y)
1440 ENTER X,S$,Y
1450 L=L+1; RETURN X+Y+A+L*1000
1460 FUNCTION END
1470 FUNCTION STAT(X)
1480 ENTER X
1490 C=C+X; RETURN C
1500 FUNCTION END
1510 END DEF
1520 RETURN
SAVE "mpaths"
RUN
