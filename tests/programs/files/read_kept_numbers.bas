REM Number fields on READ's kept path: integers of up to 8 digits are read
REM a word at a time, everything else as before (9 and more digits, a sign
REM '+', blanks, decimals, bytes next to the digits, a field too near the
REM end of the searched 64 bytes); fields that are no number take ERR=.
REM Each follows a good line (a kept READ), the file ends in 40 zeros (the
REM kept path needs 64 bytes in the buffer).
INVOKE "printf '%s\n' 0 -0 7 -7 12345678 -12345678 99999999 00000001 123456789 -987654321 +5 +0 ' 5' '5 ' 1.5 -0.25 10. .5 12/ 1 1: 2 /1 3 :1 4 - 5 -- 6 1-2 7 '' 0000000000000000012 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 > rkn.txt"
10 OPEN (1)"rkn.txt"; N=0; S=0; T=0; E=0
20 READ (1,END=90,ERR=80)X
30 S=S+X; T=T+S; N=N+1; GOTO 20
80 E=E+1; PRINT "error",ERR,"after",N,S; GOTO 20
90 PRINT N,S,T,E,X; CLOSE (1)
RUN
DELETE
REM After a text field: the number at each offset up to the line's end.
10 ERASE "rkn2.txt",ERR=20
20 SERIAL "rkn2.txt"; OPEN LOCK (1)"rkn2.txt"
30 FOR I=40 TO 62; WRITE (1)DIM(I,"a"),12345+I; NEXT I
40 FOR I=0 TO 12; WRITE (1)DIM(I,"b"),-7654321+I; NEXT I
50 CLOSE (1); OPEN (1)"rkn2.txt"; N=0; S=0; T=0
60 READ (1,END=90)A$,X
70 S=S+X; T=T+S; N=N+1; GOTO 60
90 PRINT N,S,T,X,LEN(A$); CLOSE (1)
RUN
DELETE
ERASE "rkn.txt"; ERASE "rkn2.txt"
