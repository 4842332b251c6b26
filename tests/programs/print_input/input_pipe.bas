10 REM INPUT from a pipe and from a serial file; OBTAIN shows no answer
20 OPEN (1)"<printf '3\nfour\n5\n'"
30 INPUT (1,ERR=100)N
40 PRINT "got",N
50 GOTO 30
100 PRINT "error",ERR," after",N
110 INPUT (1,ERR=200)N
120 PRINT "got",N
130 GOTO 110
200 PRINT "error",ERR," end of the pipe"
210 CLOSE (1)
220 INVOKE "printf 'first line\nsecond line\n' >oru_pi_in.txt"
230 OPEN (1)"oru_pi_in.txt"
240 INPUT (1)A$,B$
250 PRINT A$,"|",B$
260 CLOSE (1); INVOKE "rm -f oru_pi_in.txt"
270 OBTAIN "Secret: ",S$
280 PRINT
290 PRINT "secret has",LEN(S$)," characters"
RUN
hidden
