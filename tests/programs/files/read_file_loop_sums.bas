REM A file's loop that comes back to its READ through kept assignments
REM runs them by the list found on its first pass: an assignment that
REM stops being kept part way (an element past the array's end) must
REM leave what the loop run statement by statement leaves, and its error
REM name its line.  Five kept lines after the READ, and nine: more than
REM are listed.
REM (The first program of its session: nothing was kept before it.)
INVOKE "seq 1 300 | sed 's/^/row /' > rfs.txt"
10 OPEN (1)"rfs.txt"; DIM X[60]; FOR I=0 TO 60; X[I]=I; NEXT I; N=0; S=0; M=0
20 READ (1,END=90)A$
30 N=N+1
40 S=S+X[N]
50 M=M+1
60 GOTO 20
90 PRINT "never here"
RUN
PRINT "stopped: ",N," ",S," ",M," ",A$
CLOSE (1)
DELETE
10 OPEN (1)"rfs.txt"; N=0; A=0; B=0; C=0; D=0
20 READ (1,END=90)A$
30 N=N+1
40 A=A+2
50 B=B+N
60 C=C-1
70 D=D+B
80 GOTO 20
90 PRINT N," ",A," ",B," ",C," ",D; CLOSE (1)
RUN
DELETE
10 OPEN (1)"rfs.txt"; N=0; A=0; B=0; C=0; D=0; E=0; F=0; G=0; H=0
20 READ (1,END=120)A$
30 N=N+1
35 A=A+N
40 B=B-1
45 C=C+A
50 D=D+2
55 E=E+C
60 F=F+1
65 G=G+D
70 H=H-E
80 GOTO 20
120 PRINT N," ",A," ",B," ",C," ",D," ",E," ",F," ",G," ",H; CLOSE (1)
RUN
ERASE "rfs.txt"
