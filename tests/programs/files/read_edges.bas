REM Serial READ of lines written by other programs: END= right after the
REM last line, a last line without a newline, empty lines, lines longer
REM than the read buffer, fields mixed with numbers and strings, and
REM numbers that do not convert.
INVOKE "printf 'one\ntwo\n\nfour' > nonl.txt"
10 OPEN (1)"nonl.txt"; N=0
20 READ (1,END=50)A$
30 N=N+1; PRINT N,"[",A$,"]",LEN(A$)
40 GOTO 20
50 PRINT "lines",N; READ (1,END=60)A$; PRINT "read past the end?"
60 CLOSE (1)
RUN
DELETE
INVOKE "printf 'a\n\n\n' > empty.txt"
10 OPEN (1)"empty.txt"; N=0
20 READ (1,END=40)A$; N=N+1; PRINT N,"[",A$,"]"
30 GOTO 20
40 PRINT "lines",N; CLOSE (1)
RUN
DELETE
INVOKE "printf '' > none.txt"
10 OPEN (1)"none.txt"
20 READ (1,END=40)A$
30 PRINT "a line in an empty file?"
40 PRINT "empty file: END"; CLOSE (1)
RUN
DELETE
REM Lines of 70,000 and 200,000 bytes between short ones.
10 ERASE "long.txt",ERR=20
20 SERIAL "long.txt"; OPEN LOCK (1)"long.txt"
30 WRITE (1)"short"; WRITE (1)DIM(70000,"x"); WRITE (1)"mid"; WRITE (1)DIM(200000,"y")+"z"; WRITE (1)"last"
40 CLOSE (1); OPEN (1)"long.txt"
50 READ (1,END=80)A$
60 PRINT LEN(A$),A$(1,3),A$(LEN(A$),1)
70 GOTO 50
80 CLOSE (1)
RUN
DELETE
REM Fields: a string, a number, a string again, missing fields, a field
REM that is no number (error 43, taken by ERR=).
INVOKE "printf 'name\21242\212more\212\n7\n\212\212\nabc\2125\212\n12x\212\n' > fields.txt"
10 OPEN (1)"fields.txt"
20 READ (1,END=90)A$,N,B$
30 PRINT "[",A$,"]",N,"[",B$,"]"
40 READ (1,END=90)N,A$; PRINT N,"[",A$,"]"
50 READ (1,END=90)A$,B$,C$; PRINT "[",A$,"][",B$,"][",C$,"]"
60 READ (1,END=90,ERR=70)N; PRINT "a number?",N
70 PRINT "error",ERR,"at",TCB(5)
80 READ (1,END=90,ERR=85)N; PRINT "number",N; GOTO 90
85 PRINT "error",ERR
90 PRINT "end"; CLOSE (1)
RUN
DELETE
REM Number fields: signs, points, leading and trailing zeros, 18 and 19
REM digits, blanks, an exponent, an empty field; an integer variable, a
REM variable with PRECISION and an array element.
INVOKE "printf '%s\n' -0 +5 .5 1. 0.050 -12.340 007 123456789012345678 1234567890123456789 ' 5 ' 1e3 '' 99999999999999999.9 > nums.txt"
10 OPEN (1)"nums.txt"
20 READ (1,END=40)X; PRINT X,
30 GOTO 20
40 PRINT; CLOSE (1); OPEN (1)"nums.txt"
50 READ (1,END=70)N%; PRINT N%,
60 GOTO 50
70 PRINT; CLOSE (1); OPEN (1)"nums.txt"; PRECISION 1
80 READ (1,END=100)P; PRINT P,
90 GOTO 80
100 PRINT; CLOSE (1); PRECISION 2
110 INVOKE "printf '7\212' > one.txt"; DIM Q[2]; OPEN (1)"one.txt"; READ (1)Q[2]; PRINT Q[2]; CLOSE (1)
RUN
