REM "X=X+b" and "X=X-b" run again in the same run of the statement loop
REM (only fast statements since) take the target, the operand and the
REM operator as they were kept; anything else makes them look again.
REM The operand changes its scale, the sum overflows, the subscript leaves
REM the array or takes decimals, a constant, a large literal, subtraction.
10 X=0; Y=1; FOR I=1 TO 6; X=X+Y; Y=Y+1; NEXT I; PRINT X,Y
20 X=0; Y=1; FOR I=1 TO 6; X=X+Y; Y=Y+0.5; NEXT I; PRINT X,Y
30 X=9223372036854775000; FOR I=1 TO 3; X=X+400; NEXT I; PRINT X
40 X=0; FOR I=1 TO 4; X=X-1000000000; X=X+7; NEXT I; PRINT X
50 DIM A[3]; FOR I=0 TO 3; A[I]=I+1; NEXT I
60 S=0; FOR I=0 TO 3; S=S+A[I]; S=S-A[2]; S=S+A[3]; NEXT I; PRINT S
70 S=0; FOR I=0 TO 3; S=S+A[I]; NEXT I; I=1.5; S=S+A[I]; PRINT S
80 A[2]=0.25; S=0; FOR I=0 TO 3; S=S+A[I]; NEXT I; PRINT S
90 S=0; FOR I=0 TO 5; S=S+A[I]; NEXT I
100 PRINT "not reached"
RUN
DELETE
REM The same statements again after CLEAR, DIM of a smaller array and a
REM changed precision between their runs.
10 DIM A[3]; FOR I=0 TO 3; A[I]=I+1; NEXT I; S=0; N=0
20 FOR I=0 TO 3; S=S+A[I]; X=X+2; NEXT I
30 ON N GOTO 40,50,60,80
40 PRINT S,X; CLEAR; N=1; DIM A[3]; FOR I=0 TO 3; A[I]=10*I; NEXT I; GOTO 20
50 PRINT S,X; N=2; PRECISION 0; GOTO 20
60 PRINT S,X; N=3; PRECISION 9; DIM A[1]; S=0; SETERR 90; GOTO 20
80 PRINT "end",S,X; END
90 PRINT "error",ERR,"at",TCB(5),S,X,I; SETERR 0; GOTO 30
RUN
DELETE
REM More kept statements than the table holds, in one loop.
10 FOR R=1 TO 3
20 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
30 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
40 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
50 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
60 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
70 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
80 A=A+1; B=B+2; C=C+3; D=D+4; E=E+5; F=F+6; G=G+7; H=H+8; J=J+9; K=K+10
90 NEXT R; PRINT A,B,C,D,E,F,G,H,J,K
RUN
