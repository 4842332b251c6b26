REM EVN( and EVS( evaluate an expression typed by a user
A=6; B$="six"
PRINT EVN("A*7"),EVS("B$+""!"""),EVN("LEN(B$)+100")
PRINT EVN("1/0")
PRINT EVN("1/0",-1),EVS("B$(9)","(none)"),EVN("A+",-2)
PRINT EVN("A+","a string default")
PRINT EVN("B$")
PRINT EVS("A")
PRINT EVN("B$",0),EVS("A","not a string")
PRINT EVN("A,1")
PRINT EVN("A",1),EVN("2+2",1)
PRINT EVN(DIM(8193,"1"))
X$="EVN(X$)"; PRINT EVN(X$)
REM XEQ( runs a statement line and gives 0
PRINT XEQ("C=A*2; D$=B$+B$"),C,D$
PRINT XEQ("PRINT ""from XEQ"",C")
PRINT XEQ("IF A>5 THEN PRINT ""big"" ELSE PRINT ""small""")
PRINT XEQ("FOR I=1 TO 3")
PRINT XEQ("X=1; GOTO 100")
PRINT XEQ("IF A THEN RETURN")
PRINT XEQ("100 PRINT 1")
PRINT XEQ("SETERR 100")
PRINT XEQ("PRINT ""half""; RUN")
PRINT XEQ("PRINT ((")
PRINT XEQ("X=1/0")
PRINT XEQ("PRINT XEQ(""Y=2""),Y")
REM errors inside come back as the function's own: ERR=, SETERR
10 FOR I=1 TO 3
20 X=XEQ("Z=10/(2-I)",ERR=60)
30 PRINT "I=",I," Z=",Z
40 NEXT I
50 STOP
60 PRINT "caught",ERR,"at",ERS," I=",I; GOTO 40
RUN
DELETE
10 SETERR 100
20 GOSUB 50
30 PRINT "back after the error, stack intact"
40 STOP
50 PRINT "in the subroutine"
60 X=EVN("QQ(")
70 PRINT "not reached"
80 RETURN
100 PRINT "SETERR took",ERR,"from line",ERS; GOTO 80
RUN
REM an ERR= inside the text cannot send the program anywhere
DELETE
10 X=EVN("NUM(""x"",ERR=50)",ERR=30)
20 Y=XEQ("Z=NUM(""x"",ERR=50)",ERR=40)
25 STOP
30 PRINT "EVN took",ERR; GOTO 20
40 PRINT "XEQ took",ERR; STOP
50 PRINT "escaped to line 50"
RUN
REM XEQ(name, arguments...) calls a program as CALL does: references flow
REM back, the result is 0, an EXIT with an error number and a program that
REM cannot start take the function's ERR=.
DELETE
10 ENTER A,B$,C
20 PRINT "called with",A,B$
30 C=A*2; B$=B$+"!"
40 IF A<0 THEN EXIT 11
50 EXIT
SAVE "xsub"
DELETE
X$="hi"
PRINT XEQ("xsub",5,X$,Y),X$,Y
10 Q=XEQ("xsub",-1,"x",Z,ERR=30)
20 END
30 PRINT "exit code taken",ERR
40 Q=XEQ("nosuchprogram",1,ERR=60)
50 END
60 PRINT "missing program taken",ERR
RUN
PRINT XEQ("[vrl]xsub",1)
