REM WRITE of string and numeric items to serial files, the bytes shown as
REM written (cat -v: the field separator, byte 138, shows as M-^J).
REM Integers at every digit count and across 32 bits, both signs; fractions,
REM PRECISION, floating point and ROUND; literals of every short length.
10 ERASE "wf.txt",ERR=20
20 SERIAL "wf.txt"; OPEN LOCK (1)"wf.txt"
30 N=1; Z=0; WRITE (1)Z
40 FOR K=1 TO 18; A=N-1; B=N+1; C=-N; WRITE (1)N,A,B,C; N=N*10; NEXT K
50 WRITE (1)N; N=N-1; WRITE (1)N; N=-N; WRITE (1)N
60 A=4294967295; B=A+1; C=-A; D=-B; E=B*100+99; WRITE (1)A,B,C,D,E
70 X=1.5; Y=-0.25; W=0.001; V=1E20; U=-1E-5; WRITE (1)X,Y,W,V,U
80 X=2/3; Y=-200/3; WRITE (1)X,Y
90 PRECISION 6; X=2/3; Y=1/8; WRITE (1)X,Y; PRECISION 2
100 FLOATING POINT; I=12; J=-7; X=1.25; WRITE (1)I,J,X; PRECISION 2
110 ROUND; I=12; X=2.5; WRITE (1)I,X; ROUND OFF
120 WRITE (1)"","a","ab","abc","abcd","abcdefg","abcdefgh","abcdefghijklmno"
130 WRITE (1)"abcdefghijklmnop","abcdefghijklmnopq","abcdefghijklmnopqrstuvwxyz012345"
140 WRITE (1)"abcdefghijklmnopqrstuvwxyz0123456","abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ"
150 WRITE (1)$414243$,"x",$00FF$
160 CLOSE (1)
170 INVOKE "cat -v wf.txt"
180 ERASE "wf.txt"
RUN
DELETE
REM Items of every other kind between and around the usual ones: an
REM expression, string variables (one empty, one cut), an element, masks, an empty
REM field, a whole array, SEP= in the list, WRITE LOCK and the channel's
REM END= and ERR=; a number in parentheses, a literal joined to another.
10 ERASE "wf.txt",ERR=20
20 SERIAL "wf.txt"; OPEN LOCK (1)"wf.txt"
30 DIM A[3]; A[1]=7; A[2]=-8; A[3]=9; S$="str"; N=42
40 WRITE (1)"a",N+1,N,S$,"b",A[2],N
50 WRITE (1)N,"x",N:"##0.00","y",S$:"XXXXXX"
60 WRITE (1)"before",*,N,/,"after"
70 WRITE (1)"all",A[ALL],"end",N
80 WRITE (1)"p",SEP="/","q",N,"r"
90 WRITE LOCK (1,ERR=200,END=200)"locked",N
100 WRITE (1,END=200)(N),"lit"+"eral",N,-N
105 E$=""; WRITE (1)S$,E$,S$(2,2),N,S$+"s",E$
110 CLOSE (1)
120 INVOKE "cat -v wf.txt"
130 ERASE "wf.txt"
140 END
200 PRINT "branch",ERR
RUN
DELETE
REM A record that fails part-way is not written, whatever its usual items
REM put in the buffer first; the statement's ERR= takes the error, and an
REM error without ERR= stops the program with the records before it kept.
10 ERASE "wf.txt",ERR=20
20 SERIAL "wf.txt"; OPEN LOCK (1)"wf.txt"
30 N=5; WRITE (1)"first",N
40 WRITE (1,ERR=60)"half","way",N,N/0,"never"
50 PRINT "no error?"
60 PRINT "error",ERR; WRITE (1)"after",N
70 FOR I=1 TO 3000; WRITE (1)"line",I; NEXT I
80 WRITE (1)"stop",N,Q$(3)
90 PRINT "not reached"
RUN
PRINT ERR
DELETE
10 C=0; OPEN (2,ERR=50)"wf.txt"
20 READ (2,END=40)A$; C=C+1
30 GOTO 20
40 PRINT "lines before CLOSE",C; CLOSE (2); END
50 PRINT "shared open: error",ERR
RUN
CLOSE (1)
DELETE
10 OPEN (1)"wf.txt"; C=0
20 READ (1,END=50)A$; C=C+1
30 IF C<4 OR C>3000 THEN PRINT C,A$
40 GOTO 20
50 PRINT "lines",C; CLOSE (1); ERASE "wf.txt"
RUN
DELETE
REM Records longer than the buffer's room, on a channel that writes out
REM every 10 bytes (SIZ=10, parameter LU instead of a lock): the usual items
REM hand over to the general path where a field might not fit.
SET_PARAM 'LU'
10 ERASE "wf.txt",ERR=20
20 SERIAL "wf.txt"; OPEN (1,SIZ=10)"wf.txt"
30 L$="0123456789012345678901234567890123456789"
40 FOR I=1 TO 3; WRITE (1)"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",I,"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ","abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",I*1000000,"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ","abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ",-I; NEXT I
45 FOR I=1 TO 2; WRITE (1)L$,I,L$,L$,L$,L$,L$,L$,-I; NEXT I
50 FOR I=1 TO 5; WRITE (1)"n",I; NEXT I
60 CLOSE (1)
70 INVOKE "cat -v wf.txt"
80 ERASE "wf.txt"
RUN
DELETE
SET_PARAM -'LU'
