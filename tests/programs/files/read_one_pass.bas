REM READ straight from a serial channel's buffer into plain variables, and
REM every case that must leave that path for the general one with the same
REM results: a line crossing the end of the read buffer or longer than it,
REM a last line without a newline, a number field that is no number, END=
REM right after the last line, fixed-length and record fields, array
REM elements, options, missing fields, NUL padding and CR before LF.
REM Lines of growing length: some cross the 64 KB buffer's end, three are
REM longer than the buffer; the sums show every line was read whole once.
10 ERASE "rop.txt",ERR=20
20 SERIAL "rop.txt"; OPEN LOCK (1)"rop.txt"
30 FOR I=1 TO 3000; WRITE (1)DIM(MOD(I*37,97),"a"),I,"t"; NEXT I
40 WRITE (1)DIM(70000,"b"),3001,"u"; WRITE (1)"x",3002,DIM(140000,"c"); WRITE (1)DIM(65536,"d"),3003,"v"
50 FOR I=3004 TO 5000; WRITE (1)"",I,STR(I); NEXT I
60 CLOSE (1); OPEN (1)"rop.txt"
70 N=0; S=0; L=0; T=0
80 READ (1,END=100)A$,K,B$
90 N=N+1; S=S+K; L=L+LEN(A$); T=T+LEN(B$); GOTO 80
100 PRINT "lines",N,"sum",S,"text",L,T,"last",K,B$
110 READ (1,END=120,ERR=130)A$; PRINT "a line past the end?"
120 PRINT "END= again at the end"; GOTO 140
130 PRINT "error",ERR
140 CLOSE (1); ERASE "rop.txt"
RUN
DELETE
REM The last line has no newline; numbers with a sign and decimals; a
REM field that is no number takes ERR= (error 43) and its line is gone.
INVOKE "printf 'ab\2121.25\212\n-7\212cd\212\nzz\21212x\212\nlast\212-0.5\212' > rop2.txt"
10 OPEN (1)"rop2.txt"; PRECISION 1
20 READ (1,END=60,ERR=50)A$,X; PRINT "[",A$,"]",X
30 READ (1,END=60,ERR=50)Y,B$; PRINT Y,"[",B$,"]"
40 READ (1,END=60,ERR=50)A$,X; PRINT "no error?",A$,X
50 PRINT "error",ERR,"line",TCB(5); READ (1,END=60)A$,X; PRINT "[",A$,"]",X; GOTO 40
60 PRINT "end"; PRECISION 2; CLOSE (1)
RUN
DELETE
REM Missing fields, the same variable twice, a line of NULs after its
REM fields, CR before LF (kept in the last field) and an empty line.
INVOKE "printf 'one\n\212two\212\nx\212y\212z\212\nnul\212\000\000\nwin\212cr\r\n\n' > rop3.txt"
10 OPEN (1)"rop3.txt"
20 READ (1,END=60)A$,B$; PRINT "[",A$,"][",B$,"]",LEN(B$)
30 READ (1,END=60)A$,A$; PRINT "twice [",A$,"]"
40 READ (1,END=60)A$,B$; PRINT "[",A$,"][",B$,"]",LEN(B$)
50 GOTO 20
60 PRINT "end"; CLOSE (1)
RUN
DELETE
REM Items the buffer path does not take: a record field of fixed length,
REM array elements, a whole array, a substring; and options besides
REM END= and ERR= (IND=, SIZ=, TIM=), and no items at all.
INVOKE "printf 'abcdefgh\2127\212\nsecond\2128\212\nthird\2129\212\nfourth\21210\212\nfifth\21211\212\nsixth\21212\212\n' > rop4.txt"
10 DIM R$:"NAME:C(4),N:N(3)"; DIM A$[3],X[3]
20 OPEN (1)"rop4.txt"
30 READ (1)R$.NAME$,R$.N; PRINT "[",R$.NAME$,"]",R$.N
40 READ (1)A$[2],X[1]; PRINT A$[2],X[1]
50 READ (1)A$[ALL]; PRINT A$[0],"|",A$[1],"|",A$[2]
60 READ (1); PRINT "a line skipped"
70 READ (1,TIM=5)B$,Y; PRINT B$,Y
80 READ (1,IND=1)B$,Y; PRINT "IND=",B$,Y
90 CLOSE (1); OPEN (1)"rop4.txt"; C$="0123456789"
100 READ (1)C$(3,2); PRINT C$
110 READ (1,SIZ=4)D$; PRINT "SIZ=",D$
120 CLOSE (1)
RUN
DELETE
REM A channel written to and then read: the general path raises what it
REM always did.
10 CLOSE (1); ERASE "rop5.txt",ERR=20
20 SERIAL "rop5.txt"; OPEN LOCK (1)"rop5.txt"; WRITE (1)"w",1
30 READ (1,ERR=40)A$; PRINT "read after write?"
40 PRINT "after write:",ERR; CLOSE (1); ERASE "rop5.txt"
RUN
DELETE
REM A later item the buffer path does not take, after an earlier one was
REM assigned: a number with a blank, one with an exponent, an element.
REM The line is read again whole; the record index counts it once.
INVOKE "printf 'p\212 5\212\nq\2121e2\212\nr\2123\212\ns\2124\212\n' > rop6.txt"
10 DIM X[2]; OPEN (1)"rop6.txt"
20 READ (1)A$,N; PRINT A$,N,IND(1)
30 READ (1)A$,N; PRINT A$,N,IND(1)
40 READ (1)A$,X[1]; PRINT A$,X[1],IND(1)
50 READ (1)A$,N; PRINT A$,N,IND(1),LFA
60 CLOSE (1)
RUN
DELETE
INVOKE "rm -f rop2.txt rop3.txt rop4.txt rop6.txt"
