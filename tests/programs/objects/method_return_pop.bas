REM The return of a program method called again and again, where its frame
REM goes the short way (nothing left but its variables) and where it cannot:
REM an object attached to the method's program level (freed by the return),
REM an object attached elsewhere for the whole loop, a function defined by
REM the body, RETURN inside SWITCH, RETURN out of a GOSUB first, EXIT ending
REM the body.  Each call's locals start empty; the values and the reference
REM argument come back the same whichever way the frame is popped.
10 GOSUB 1000
20 H=NEW("R"); H'A=5
30 REM plain calls between calls that attach an object to the method's level
40 FOR I=1 TO 4; J=I; PRINT H'ATT(J,I),J,H'SUM(I); NEXT I
50 PRINT "after the loop"
60 REM the same with an object attached to a channel during the whole loop
70 OPEN (5)"R.orc"; K=NEW("T" FOR FILE 5); K'NAME$="held"
80 FOR I=1 TO 3; J=I; PRINT H'SUM(I),H'ATT(J,I+1),J; NEXT I
90 CLOSE (5); PRINT "closed"
100 REM a user function defined by the body; RETURN inside SWITCH
110 FOR I=1 TO 3; PRINT H'FN1(I),H'SW(I),H'SUM(I); NEXT I
120 REM RETURN from a GOSUB of the body, then the method's RETURN; EXIT
130 FOR I=1 TO 3; J=I*10; PRINT H'GS(J),J,H'EX(I),H'SUM(I); NEXT I
140 END
1000 DEF CLASS "T"
1010 PROPERTY NAME$
1020 END DEF
1030 DEF CLASS "R"
1040 PROPERTY A
1050 FUNCTION SUM(X)
1060 ENTER X
1070 Z=Z+X; RETURN Z+A
1080 FUNCTION END
1090 FUNCTION ATT(X,N)
1100 ENTER X,N
1110 IF N=2 OR N=4 THEN P=NEW("T" FOR PROGRAM); P'NAME$="att"+STR(N); Q=Q+1
1120 X=X+100; Z=Z+N; RETURN Z+Q*1000
1130 FUNCTION END
1140 FUNCTION FN1(X)
1150 ENTER X
1160 IF X=2 THEN DEF FNQ(Y)=Y*3 ELSE DEF FNQ(Y)=Y*2
1170 Z=Z+X; RETURN FNQ(X)+Z
1180 FUNCTION END
1190 FUNCTION SW(X)
1200 ENTER X
1210 SWITCH X
1220 CASE 1; Z=Z+1; RETURN Z*100
1230 CASE 2; Z=Z+2; BREAK
1240 DEFAULT; Z=Z+7; RETURN Z*100+X
1250 END SWITCH
1260 RETURN Z
1270 FUNCTION END
1280 FUNCTION GS(X)
1290 ENTER X
1300 GOSUB 1330
1310 X=X+1; RETURN Z+X
1330 Z=Z+X; RETURN
1340 FUNCTION END
1350 FUNCTION EX(X)
1360 ENTER X
1370 Z=Z+X; IF X=2 THEN EXIT
1380 RETURN Z
1390 FUNCTION END
1400 END DEF
1410 RETURN
1500 ON_DELETE:
1510 PRINT "deleted ",NAME$
1520 EXIT
SAVE "R.orc"
RUN
