REM A program method's frame keeps its table's slots for the next call: the
REM slots each call binds (locals, properties met on one branch only, many
REM locals at once, a global) are reset at its return, whichever object
REM calls next; and a method called from the middle of an I/O statement
REM leaves that statement's KEY= parts and I/O list as they were.  A name
REM the method's table binds to one of its variables stays bound only where
REM the next call would find the same one.
10 GOSUB 1000
20 H=NEW("K"); G=NEW("K"); H'A=1; H'B=2; G'A=10; G'B=20
30 REM locals start empty at every call; properties met on one branch only
40 FOR R=1 TO 4; PRINT H'PICK(R),G'PICK(R),H'PICK(R+1),H'COUNT(),G'COUNT(); NEXT R
50 REM thirty locals bound in one call, then calls that bind few
60 FOR R=1 TO 3; PRINT H'MANY(R),G'PICK(R),H'COUNT(); NEXT R
70 REM a global variable read and written by the method
80 %G=5; FOR R=1 TO 3; PRINT H'GLOB(R),%G; NEXT R
90 REM a method in the second part of a KEY= that reads another channel
100 OPEN (1)"*memory*;KEYDEF=[1:1:2]+[1:3:2]"
110 WRITE (1)"AA01x"; WRITE (1)"AA05w"; WRITE (1)"AB05z"
120 OPEN (2)"*memory*;KEYDEF=[1:1:2]+[1:3:2]"; WRITE (2)"QQRRq"
130 FOR R=1 TO 2; READ (1,KEY="AA":H'PART$(R))A$; PRINT "KEY=AA:",H'PART$(R)," ",A$; NEXT R
140 READ (1,KEY=H'PART$(3):"05")A$; PRINT "KEY=AB:05 ",A$
150 REM a method called from an I/O list that writes through its own list
160 OPEN (3)"*memory*;KEYDEF=[1:1:3]"; OPEN (4)"*memory*;KEYDEF=[1:1:3]"
170 K$="k01"; V$="v"; WRITE (3,IOL=900); READ (3,KEY="k01")X$,Y$,Z$; PRINT X$," ",Y$," ",Z$
180 READ (4,KEY="m01")X$,Y$; PRINT X$," ",Y$
182 REM a name that is a variable of the method for one class and a property
183 REM of a child class; a system property; a property added at run time
184 C=NEW("KC"); C'Z=50; C'A=1
185 FOR R=1 TO 3; PRINT H'ZED(R)," ",C'ZED(R)," ",H'ZED(R)," ",H'ME()-H," ",G'ME()-G," ",C'ME()-C; NEXT R
186 FOR R=1 TO 3; PRINT G'ZED(R)," ",G'ADDZ()," ",G'ZED(R)," ",H'ZED(R); NEXT R
190 END
900 IOLIST K$,H'NOTE$(V$),V$
910 IOLIST M$,N$
1000 DEF CLASS "K"
1010 PROPERTY A,B
1020 FUNCTION PICK(X)
1030 ENTER X
1040 L=L+1; IF X=2 THEN RETURN L*100+A
1050 IF X=3 THEN RETURN L*100+B
1060 RETURN L*100+X
1070 FUNCTION END
1080 FUNCTION COUNT()
1090 L=L+1; RETURN L+A
1100 FUNCTION END
1110 FUNCTION MANY(X)
1120 ENTER X
1130 V1=X; V2=V1+1; V3=V2+1; V4=V3+1; V5=V4+1; V6=V5+1; V7=V6+1; V8=V7+1; V9=V8+1; V10=V9+1
1140 W1=V10+1; W2=W1+1; W3=W2+1; W4=W3+1; W5=W4+1; W6=W5+1; W7=W6+1; W8=W7+1; W9=W8+1; W10=W9+1
1150 U1=W10+1; U2=U1+1; U3=U2+1; U4=U3+1; U5=U4+1; U6=U5+1; U7=U6+1; U8=U7+1; U9=U8+1; U10=U9+B
1160 RETURN U10+L
1170 FUNCTION END
1180 FUNCTION GLOB(X)
1190 ENTER X
1200 %G=%G+X; RETURN %G*10+A
1210 FUNCTION END
1220 FUNCTION PART$(X)
1230 ENTER X
1240 READ (2,KEY="QQ":"RR")Q$
1250 IF X=1 THEN RETURN "01"
1260 IF X=2 THEN RETURN "05"
1270 RETURN "AB"
1280 FUNCTION END
1290 FUNCTION NOTE$(X$)
1300 ENTER X$
1310 M$="m01"; N$="n"+X$; WRITE (4,IOL=910); RETURN "["+X$+"]"
1320 FUNCTION END
1322 FUNCTION ZED(X)
1323 ENTER X
1324 Z=Z+X; RETURN Z*10+A
1325 FUNCTION END
1326 FUNCTION ME()
1327 RETURN _OBJ
1328 FUNCTION END
1329 FUNCTION ADDZ()
1330 ADD PROPERTY Z=1000; RETURN 0
1331 FUNCTION END
1332 END DEF
1334 DEF CLASS "KC"
1335 LIKE "K"
1336 PROPERTY Z
1337 END DEF
1340 RETURN
SAVE "mkeep"
RUN
