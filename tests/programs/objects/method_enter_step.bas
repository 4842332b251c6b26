REM A program method whose ENTER ends its line goes on to the next line's
REM first statement when its arguments are bound by the loader; everything
REM the statement loop serves at that line end is served as before: TRACE
REM switched on before and during a loop of calls, an escape taken by
REM SETESC while calls run, step mode stopping the caller between calls.  Also
REM bodies whose next line starts with a label, is a REM, holds a
REM GOTO, and an ENTER followed by a statement on its own line; the class
REM program changed and saved again between runs.
10 GOSUB 1000
20 H=NEW("M"); G=NEW("M"); H'A=1; G'A=10
30 FOR R=1 TO 4; PRINT H'S(R,2),G'S(R,3),H'L(R),G'J(R),H'E(R),H'F(R); NEXT R
40 FOR R=1 TO 3; PRINT H'N(R,R),G'N(R+1,R); NEXT R
50 FOR R=1 TO 3; IF R=2 THEN TRACE
60 PRINT H'S(R,1); NEXT R; ENDT
70 TRACE; FOR R=1 TO 2; PRINT G'S(R,5); NEXT R; ENDT
80 N=0; SETESC 200
90 N=N+1; T=H'S(N,1)
100 IF N=4 THEN INVOKE "kill -INT "+STR(TCB(506))
110 IF N<8 THEN GOTO 90
120 SETESC 0; PRINT "N=",N," T=",T
130 GOTO 300
200 PRINT "escape at N=",N," T=",T; RETURN
300 PRINT "done"; DROP OBJECT H; DROP OBJECT G; DROP CLASS "M"; END
1000 DEF CLASS "M"
1010 PROPERTY A
1020 FUNCTION S(X,Y)
1030 ENTER X,Y
1040 Z=X+Y; RETURN Z+A
1050 FUNCTION END
1060 FUNCTION L(X)
1070 ENTER X
1080 TOP: Z=X*2
1090 RETURN Z+A
1100 FUNCTION END
1110 FUNCTION J(X)
1120 ENTER X
1130 GOTO 1150
1140 RETURN -1
1150 RETURN X+A
1160 FUNCTION END
1170 FUNCTION E(X)
1180 ENTER X
1190 REM no statement here
1195 RETURN X*3
1197 FUNCTION END
1200 FUNCTION F(X)
1210 ENTER X; X=X+100
1220 RETURN X
1230 FUNCTION END
1240 FUNCTION N(X,Y)
1250 ENTER X,Y
1260 IF X>1 THEN RETURN X+Y+A
1270 RETURN -A
1280 FUNCTION END
1290 END DEF
1300 RETURN
SAVE "mestep"
RUN
> +9
RUN
PRINT "stopped at",R,N
> +30
RUN
PRINT "stopped at",R,N
>
RUN
1040 Z=X-Y; RETURN Z*A
SAVE "mestep"
RUN
ERASE "mestep"
