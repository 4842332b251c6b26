REM A method's return hands the values of its parameters back to the
REM caller's variables and puts the caller's context back.  Every case runs
REM three times: the first call loads the method, the later ones start from
REM what it kept, and must give the same results.
10 GOSUB 1000; H=NEW("R"); H'A=10
20 REM numeric and string parameters changed by the method flow back
30 N=1; S$="s"; FOR I=1 TO 3; PRINT H'BUMP(N,S$),N,S$; NEXT I
40 REM an integer variable of the caller keeps its integer value
50 N%=5; FOR I=1 TO 3; PRINT H'BUMP(N%,S$),N%; NEXT I
60 REM a parameter given by value: the caller's variable stays
70 N=1; FOR I=1 TO 3; PRINT H'BYVAL(N),N; NEXT I
80 REM literals and expressions only
90 FOR I=1 TO 3; PRINT H'BUMP(I*2,"lit"),I; NEXT I
100 REM no arguments at all
110 FOR I=1 TO 3; PRINT H'NONE(),H'NONE(); NEXT I
120 REM RETURN from inside SWITCH
130 FOR I=1 TO 3; PRINT H'PICK(I),H'PICK(I+1); NEXT I
140 REM a method that calls another method of the same object
150 M=2; FOR I=1 TO 3; PRINT H'OUTER(M),M; NEXT I
160 REM an error the method does not catch, then the same method again
170 FOR I=1 TO 3; SETERR 180; PRINT H'DIV(I-2); GOTO 190
180 PRINT "caught:",ERR,ERL; SETERR 0
190 PRINT "after:",H'BUMP(N,S$),N; NEXT I
200 REM an array element passed by reference
210 DIM Q[2]; FOR I=1 TO 3; Q[1]=I; PRINT H'BUMP(Q[1],S$),Q[1]; NEXT I
220 REM the method's caller is itself a called program's line
230 FOR I=1 TO 3; CALL "RCALL",H,I,V; PRINT "call:",I,V; NEXT I
240 REM the precision and the string accumulator of the caller come back
250 PRECISION 2; FOR I=1 TO 3; PRINT H'BUMP(N,S$)/3,STR(H'NONE())+"x"; NEXT I
260 PRINT N,S$,N%,M
270 END
1000 DEF CLASS "R"
1010 PROPERTY A
1020 FUNCTION BUMP(X,Y$)
1030 ENTER X,Y$
1040 X=X+1; Y$=Y$+"!"; RETURN X+A
1050 FUNCTION END
1060 FUNCTION BYVAL(X)
1070 ENTER (X)
1080 X=X+100; RETURN X
1090 FUNCTION END
1100 FUNCTION NONE()
1110 T=T+1; RETURN T+A
1120 FUNCTION END
1130 FUNCTION PICK(X)
1140 ENTER X
1150 SWITCH X
1160 CASE 1; RETURN 100
1170 CASE 2; RETURN 200
1180 DEFAULT; RETURN -1
1190 END SWITCH
1200 FUNCTION END
1270 FUNCTION OUTER(X)
1280 ENTER X
1290 X=X+1; RETURN _OBJ'BUMP(X,Z$)+X
1300 FUNCTION END
1310 FUNCTION DIV(X)
1320 ENTER X
1330 RETURN 1/X
1340 FUNCTION END
1350 END DEF
1360 RETURN
SAVE "mpop"
DELETE
10 ENTER H,I,V
20 V=H'BUMP(I,S$)+H'A
30 EXIT
SAVE "RCALL"
LOAD "mpop"
RUN
DROP OBJECT H
DROP CLASS "R"
DELETE
RUN "mpop"
