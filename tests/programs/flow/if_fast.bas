REM IF whose condition is one or two plain operands takes its part at once
REM (and keeps the statement loop's epoch: READ and X=X+b stay kept across
REM it); the parts, ELSE, braces, block IF over lines and their errors as
REM before.
10 FOR I=1 TO 6
20 IF I>3 THEN X=X+I ELSE Y=Y+I
30 IF I=2 THEN Z=Z+100; IF I<>2 THEN Z=Z+1
40 IF I THEN W=W+1
50 IF I-I THEN W=W+1000
60 IF 1.5<I THEN V=V+1 ELSE IF I<1.25 THEN V=V+10
70 IF I>=5 THEN { U=U+1; T=T+2 } ELSE { T=T-1 }
80 IF I<=2
90 S=S+1
100 ELSE
110 S=S+10
120 END IF
130 NEXT I
140 PRINT X,Y,Z,W,V,U,T,S
150 A=0.1; B=0.10; IF A=B THEN PRINT "equal scales differ"
160 IF A>=0.1 THEN PRINT "ge"
170 IF A THEN IF B THEN PRINT "both" ELSE PRINT "not b"
RUN
DELETE
REM A READ loop with an IF: the sums show every line.
INVOKE "printf 'a\2121\212\nb\2122\212\nc\2123\212\nd\2124\212\n' > if.txt"
10 OPEN (1)"if.txt"; N=0; S=0
20 READ (1,END=50)A$,K
30 IF K>2 THEN N=N+1; S=S+K
40 GOTO 20
50 PRINT N,S,A$,K; CLOSE (1); ERASE "if.txt"
RUN
DELETE
REM A block IF whose false part has no END IF: error 27 at the IF.
10 X=0
20 IF X
30 PRINT "never"
40 PRINT "nor this"
RUN
