REM A READ whose statement ran on READ's fast path in the same run of the
REM statement loop (only fast statements since: FOR, NEXT, GOTO, numeric
REM assignment) takes what it learned then as it is; any other statement
REM between two READs makes it look again.  Each part reads in inner FOR
REM loops and changes something between them.
REM Lines that leave the kept path one by one: a string that outgrows its
REM block, a number with decimals, a number that is no plain number, NUL
REM padding, CR before LF, a line of 64 bytes and more, a last line
REM without a newline.
INVOKE "printf 'a\2121\212\nbb\2122\212\nccccccccccccccccccccccccccccccccccccccccc\2123\212\nd\2124.5\212\ne\212 5\212\nf\2126\212\0\0\ng\2127\212\r\nhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh\2128\212\ni\2129\212' > rk1.txt"
INVOKE "cp rk1.txt rk1b.txt; for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do printf 'z\2120\212\n' >> rk1b.txt; done; printf 'y\2121\212' >> rk1b.txt"
10 OPEN (1)"rk1.txt"; DIM L[10],V[10]
20 FOR I=1 TO 10; READ (1,END=40)A$,X; L[I]=LEN(A$); V[I]=X; NEXT I
40 PRINT "read",I-1,"last [",A$,"]",X
50 FOR J=1 TO I-1; PRINT L[J],V[J],; NEXT J; PRINT
60 CLOSE (1)
RUN
DELETE
REM The same lines with nothing but fast statements in the loop: the sums
REM and the last values show every line; then with 20 more lines after
REM them (the kept READ searches 64 bytes at once where the buffer has them).
10 OPEN (1)"rk1.txt"; S=0; N=0; T=0
20 READ (1,END=40)A$,X
30 N=N+1; S=S+X; T=T+S; GOTO 20
40 PRINT N,S,T,"[",A$,"]",LEN(A$); CLOSE (1)
50 OPEN (1)"rk1b.txt"; S=0; N=0; T=0
60 READ (1,END=80)A$,X
70 N=N+1; S=S+X; T=T+S; GOTO 60
80 PRINT N,S,T,"[",A$,"]",LEN(A$); CLOSE (1)
RUN
DELETE
REM Between two READs of one statement: the channel closed and opened
REM again on another file, a PRINT, CLEAR (the variables are new).
INVOKE "printf 'p\21210\212\nq\21220\212\nr\21230\212\ns\21240\212\n' > rk2.txt"
INVOKE "printf 'xxx\212100\212\nyyy\212200\212\nzzz\212300\212\nwww\212400\212\n' > rk3.txt"
10 OPEN (1)"rk2.txt"; S=0; N=0
20 READ (1)A$,X
30 S=S+X; N=N+1; ON N GOTO 20,40,50,60,70,80
40 CLOSE (1); OPEN (1)"rk3.txt"; GOTO 20
50 PRINT "[",A$,"]",X,S; GOTO 20
60 PRINT "[",A$,"]",X,S; CLEAR; N=3; S=-1; GOTO 20
70 PRINT "[",A$,"]",X,S; GOTO 20
80 PRINT "[",A$,"]",X,S; CLOSE (1)
RUN
DELETE
REM Between two READs of one statement the variable takes a record
REM template: the next line is read into the template's fixed length.
INVOKE "printf 'a\212x\212\nbbbbbbbb\212y\212\nccc\212z\212\n' > rk6.txt"
10 OPEN (1)"rk6.txt"; N=0
20 READ (1,END=90)A$
30 N=N+1; ON N GOTO 20,40,50,90
40 DIM A$:"F1:C(3),F2:C(1)"; GOTO 20
50 PRINT N,"[",A$,"]",LEN(A$); GOTO 20
90 PRINT N,"[",A$,"]",LEN(A$); CLOSE (1); ERASE "rk6.txt"
RUN
DELETE
REM Two READ statements taking turns, on one channel and on two: each
REM sets its own END= and the last channel read (LFA).
INVOKE "printf 'a\2121\212\nb\2122\212\nc\2123\212\nd\2124\212\ne\2125\212\n' > rk4.txt"
10 OPEN (1)"rk4.txt"; S=0
20 FOR I=1 TO 9; READ (1,END=80)A$,X; READ (1,END=90)B$,Y; S=S+X+Y; NEXT I
80 PRINT "END= of the first at",I,S,A$,B$; CLOSE (1); GOTO 100
90 PRINT "END= of the second at",I,S,A$,B$; CLOSE (1)
100 OPEN (1)"rk4.txt"; OPEN (2)"rk2.txt"
110 FOR I=1 TO 3; READ (1)A$,X; READ (2)B$,Y; NEXT I; PRINT LFA,A$,X,B$,Y
120 FOR I=1 TO 1; READ (2)B$,Y; READ (1)A$,X; NEXT I; PRINT LFA,A$,X,B$,Y
130 CLOSE (1); CLOSE (2)
RUN
DELETE
REM ERR= of a READ whose field is no number, between kept READs; the line
REM is gone and the loop goes on.
INVOKE "printf '1\n2\nx\n4\n5\n' > rk5.txt"
10 OPEN (1)"rk5.txt"; S=0; E=0
20 FOR I=1 TO 9; READ (1,END=50,ERR=40)X; S=S+X; NEXT I
40 E=E+1; PRINT "error",ERR,"after",S; NEXT I
50 PRINT "sum",S,"errors",E; CLOSE (1)
RUN
DELETE
ERASE "rk1.txt"; ERASE "rk1b.txt"; ERASE "rk2.txt"; ERASE "rk3.txt"; ERASE "rk4.txt"; ERASE "rk5.txt"
