REM A program method's variables are kept, cleared, for its next call: every
REM kind of node comes back empty whatever the call left in it (strings,
REM arrays, a tree with left branches, a LOCAL, integers), and the slots to the
REM object's properties stay only for the same object.  The calls run from
REM loops, from a called program, recursively and from another method; an
REM error inside a method and an object dropped during a call change nothing
REM for the next call.  The whole session runs again from the saved file.
10 GOSUB 1000
20 H=NEW("N"); G=NEW("N"); H'A=1; G'A=2
30 REM strings and arrays created by the method, read before they are set
40 FOR R=1 TO 3; PRINT H'STRS$(R),G'STRS$(R+1),H'ARRS(R),G'ARRS(R); NEXT R
50 REM names met in an order that puts nodes left of others, some only on
60 REM one branch
70 FOR R=1 TO 4; PRINT H'TREE(R),G'TREE(R),H'TREE(R+1); NEXT R
80 REM a LOCAL in the method: the variables are not kept that call
90 FOR R=1 TO 3; PRINT H'LOC(R),H'STRS$(R),H'LOC(R+1); NEXT R
100 REM ten properties read by one method, then by another object
110 FOR R=1 TO 3; PRINT H'PROPS(R),G'PROPS(R),H'PROPS(R); NEXT R
120 REM recursion: each level its own frame, the kept set reused after
130 FOR R=1 TO 3; PRINT H'FACT(R+2),G'FACT(R),H'TREE(R); NEXT R
140 REM a method calling a method of another object, and a called program
150 REM that calls a method in between
160 FOR R=1 TO 3; PRINT H'OTHER(G,R),G'OTHER(H,R); NEXT R
170 FOR R=1 TO 3; PRINT H'VIA(G,R),G'STRS$(R); NEXT R
180 REM an error inside the method, caught by the caller, then good calls
190 FOR R=1 TO 3; SETERR 200; PRINT H'BAD(R-2); GOTO 210
200 PRINT "caught:",ERR; SETERR 0
210 PRINT "after:",H'TREE(R),H'STRS$(R); NEXT R
220 SETERR 0; REM an object dropped by the method it was passed to; the
225 REM running object itself may not be dropped
230 FOR R=1 TO 3; K=NEW("N"); K'A=R*100; PRINT H'DROPIT(K,R),H'TREE(R),H'ARRS(R); NEXT R
232 SETERR 234; PRINT H'SELF(1); GOTO 236
234 PRINT "in use:",ERR
236 SETERR 0; PRINT H'TREE(1),H'STRS$(1),H'SELF(2)
238 REM an integer local of the method, and a parameter that an integer
239 REM variable passed by reference made an integer for one call only
240 N%=7; FOR R=1 TO 3; PRINT H'INTS(R+0),H'INTS(N%),N%,H'INTS(R/4); NEXT R
250 END
1000 DEF CLASS "N"
1010 PROPERTY A,B,C,D,E,F,P,Q,U,W
1020 FUNCTION STRS$(X)
1030 ENTER X
1040 T$=T$+STR(X); IF X=2 THEN V$="two"
1050 RETURN "["+T$+V$+"]"
1060 FUNCTION END
1070 FUNCTION ARRS(X)
1080 ENTER X
1090 M=M+X; DIM Y[3]; Y[1]=Y[1]+X; Y[2]=M
1100 RETURN Y[1]*10+Y[2]+M
1110 FUNCTION END
1120 FUNCTION TREE(X)
1130 ENTER X
1140 M=M+1; IF X=2 THEN GOTO 1155
1150 ZZ=ZZ+X; CX=CX+1; AB=AB+2; GOTO 1160
1155 BQ=BQ+5
1160 RETURN M*10000+ZZ*1000+CX*100+AB*10+BQ
1170 FUNCTION END
1180 FUNCTION LOC(X)
1190 ENTER X
1200 IF X=2 THEN LOCAL K=7
1210 K=K+X; RETURN K+A
1220 FUNCTION END
1230 FUNCTION PROPS(X)
1240 ENTER X
1250 B=B+X; C=C+1; D=D+1; E=E+1; F=F+1; P=P+1; Q=Q+1; U=U+1; W=W+1; L=L+1
1260 RETURN A+B+C+D+E+F+P+Q+U+W+L
1270 FUNCTION END
1280 FUNCTION FACT(X)
1290 ENTER X
1300 T=T+1; IF X<=1 THEN RETURN T
1310 S=X*_OBJ'FACT(X-1); RETURN S+T
1320 FUNCTION END
1330 FUNCTION OTHER(O,X)
1340 ENTER O,X
1350 Y=X*2; RETURN O'TREE(X)+Y+A
1360 FUNCTION END
1370 FUNCTION VIA(O,X)
1380 ENTER O,X
1390 Y=X; CALL "NCALL",O,Y,V; RETURN V+Y+A
1400 FUNCTION END
1410 FUNCTION BAD(X)
1420 ENTER X
1430 T$="bad"; DIM Y[2]; Y[1]=1/X; RETURN Y[1]
1440 FUNCTION END
1450 FUNCTION SELF(X)
1460 ENTER X
1470 T$="me"; M=A+X; IF X=1 THEN DROP OBJECT _OBJ
1475 RETURN M
1480 FUNCTION END
1482 FUNCTION DROPIT(O,X)
1484 ENTER O,X
1486 T$="it"; M=A+X+O'A; DROP OBJECT O; RETURN M
1488 FUNCTION END
1489 FUNCTION INTS(X)
1490 ENTER X
1491 K%=K%+X+0.75; X=X+0.5; RETURN K%*100+X
1492 FUNCTION END
1493 END DEF
1500 RETURN
SAVE "mnodes"
DELETE
10 ENTER O,Y,V
20 V=O'ARRS(Y)+O'TREE(Y); Y=Y+1000
30 EXIT
SAVE "NCALL"
LOAD "mnodes"
RUN
DROP OBJECT H
DROP OBJECT G
DROP CLASS "N"
DELETE
RUN "mnodes"
