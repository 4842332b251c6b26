REM READ of one string takes a line up to its first separator, wherever in
REM the line's first 64 bytes it lies and whatever separators follow it.
REM Fields ending on both sides of bytes 16, 32 and 48, a second separator
REM in a later block, no separator at all: each READ, and the loop of a file
REM (READ, a count, back), whose last line is each of those.
10 ERASE "rff.txt",ERR=20
20 SERIAL "rff.txt"; OPEN LOCK (1)"rff.txt"
30 FOR I=1 TO 14; READ DATA L; WRITE (1)DIM(L,"a"),DIM(55-L,"t"); NEXT I
40 WRITE (1)"ab",DIM(40,"c"),"d"; PRINT (1)DIM(50,"n"); CLOSE (1)
50 OPEN (1)"rff.txt"
60 READ (1,END=80)A$
70 PRINT LEN(A$),; GOTO 60
80 PRINT; CLOSE (1)
90 DATA 1,15,16,17,20,31,32,33,40,47,48,49,52,54
RUN
DELETE
10 RESTORE 150
20 FOR I=1 TO 15; READ DATA L
30 ERASE "rff.txt",ERR=40
40 SERIAL "rff.txt"; OPEN LOCK (1)"rff.txt"
50 FOR J=1 TO 40; WRITE (1)DIM(MOD(J*7,50)+1,"x"),"y"; NEXT J
60 IF L=0 THEN PRINT (1)DIM(45,"n") ELSE WRITE (1)DIM(L,"a"),DIM(58-L,"t")
70 CLOSE (1); OPEN (1)"rff.txt"; N=0
80 READ (1,END=110)A$
90 N=N+1
100 GOTO 80
110 PRINT L,N,LEN(A$),A$(LEN(A$)); CLOSE (1)
120 NEXT I
130 ERASE "rff.txt"
150 DATA 0,1,15,16,17,31,32,33,40,47,48,49,52,56,57
RUN
