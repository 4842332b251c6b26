REM The lines after a READ whose one statement is a numeric assignment
REM (a count, a sum, a running total) run at once after it while each is
REM kept and nothing is pending; what they leave must be what the loop
REM leaves statement by statement.  A sum that stops being kept part way
REM (a value with decimals, a sum past the integer range), an element
REM operand whose subscript runs out of range (the error names its line),
REM an error on the line after such lines, an assignment that does not
REM end its line, TRACE switched by the loop, an edit between two runs.
DELETE
10 INVOKE "rm -f rkl.txt"; SERIAL "rkl.txt"; OPEN LOCK (1)"rkl.txt"
20 FOR I=1 TO 40; WRITE (1)"row "+STR(I),I; NEXT I
30 WRITE (1)"half",2.5; WRITE (1)"big",9000000000000000000; WRITE (1)"big",9000000000000000000
40 WRITE (1)"last",1; CLOSE (1)
50 OPEN (1)"rkl.txt"; N=0; T=0; U=0; D=0
60 READ (1,END=110)A$,K
70 N=N+1
80 T=T+K
90 U=U+T
100 D=D-1
105 GOTO 60
110 PRINT "lines ",N," sum ",T," totals ",U," down ",D," last ",A$; CLOSE (1)
RUN
DELETE
10 OPEN (1)"rkl.txt"; DIM A[20]; FOR I=0 TO 20; A[I]=I*I; NEXT I; N=0; S=0
20 READ (1,END=90)A$
30 N=N+1
40 S=S+A[N]
50 GOTO 20
90 PRINT "never here ",N
RUN
PRINT "stopped: N=",N," S=",S," A$=",A$
CLOSE (1)
DELETE
10 OPEN (1)"rkl.txt"; N=0; M=0
20 READ (1,END=90)A$
30 N=N+1
40 M=M+2
50 IF N=17 THEN X=1/0
60 GOTO 20
90 PRINT "never here ",N
RUN
PRINT "stopped: N=",N," M=",M," A$=",A$
CLOSE (1)
DELETE
10 OPEN (1)"rkl.txt"; N=0; M=0; P=0
20 READ (1,END=90)A$
30 N=N+1; P=P+N
40 M=M+1
50 GOTO 20
90 PRINT "lines ",N," ",M," ",P," last ",A$; CLOSE (1)
RUN
40 M=M+3
RUN
DELETE
10 OPEN (1)"rkl.txt"; N=0; M=0
20 READ (1,END=90)A$
30 N=N+1
40 M=M+N
50 IF N=3 THEN TRACE
55 IF N=5 THEN ENDT
60 GOTO 20
90 PRINT "lines ",N," ",M; CLOSE (1)
RUN
ERASE "rkl.txt"
