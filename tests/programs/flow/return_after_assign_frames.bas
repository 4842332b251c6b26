REM "X=...; RETURN" with other control frames open above or below: a FOR
REM loop left open inside the subroutine (an error), a SWITCH around it, a
REM multi-line function's body, and in a method's body a FOR loop (an error
REM there too) and a SWITCH (where the method returns).
10 X=0; SETERR 15; GOSUB 500; PRINT "not reached"
15 PRINT "for inside:",ERR,X; SETERR 0
20 FOR I=1 TO 3; GOSUB 600; PRINT "switch:",I,X; NEXT I
30 DEF FNSQ(A)
40 B=A*A; RETURN B
50 FNEND
60 FOR I=1 TO 3; PRINT "function:",FNSQ(I); NEXT I
70 GOSUB 900; H=NEW("F")
80 FOR I=1 TO 3; PRINT "method switch:",H'SW(I); NEXT I
90 SETERR 110; PRINT "method for:",H'LP(2)
100 PRINT "not reached"
110 PRINT "error:",ERR; SETERR 0
120 FOR I=1 TO 2; PRINT "after:",H'SW(I); NEXT I
130 END
500 FOR J=1 TO 5; IF J=2 THEN X=X+J; RETURN
510 NEXT J; RETURN
600 SWITCH I
610 CASE 1; X=10; RETURN
620 CASE 2; X=X+20; RETURN
630 END SWITCH
640 X=X+1; RETURN
900 DEF CLASS "F"
910 FUNCTION SW(V)
920 ENTER V
930 SWITCH V
940 CASE 1; W=V*3; RETURN W
950 DEFAULT; W=V*5; RETURN W+1
960 END SWITCH
970 FUNCTION END
980 FUNCTION LP(V)
990 ENTER V
1000 FOR K=1 TO 3; W=K*V; RETURN W
1010 NEXT K
1020 FUNCTION END
1030 END DEF
1040 RETURN
SAVE "rframes"
RUN
