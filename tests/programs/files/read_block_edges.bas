REM The kept READ searches a line 16 bytes at a time.  Lines whose newline
REM or separators fall on the last or first byte of a step (15, 16, 31, 32,
REM 47, 48, 63, 64): two string fields of every such length pair, then one
REM field, then lines with no separator at all, each read in a loop of kept
REM READs; the lengths read are printed, a field's letters checked.  Last,
REM lines of three fields (the same 48 twenty times: long enough for the
REM loop of a file to take over) read in loops of a READ and sums alone: the
REM first field only, all three (the number summed), the first two.
10 ERASE "rbe.txt",ERR=20
20 SERIAL "rbe.txt"; OPEN LOCK (1)"rbe.txt"
30 FOR A=13 TO 18; FOR B=11 TO 46 STEP 5; WRITE (1)DIM(A,"a"),DIM(B,"b"); NEXT B; NEXT A
40 CLOSE (1); OPEN (1)"rbe.txt"
50 READ (1,END=80)A$,B$
60 IF A$<>DIM(LEN(A$),"a") OR B$<>DIM(LEN(B$),"b") THEN PRINT "bad [",A$,"][",B$,"]"
70 PRINT STR(LEN(A$))+"."+STR(LEN(B$))+" ",; GOTO 50
80 PRINT; CLOSE (1); ERASE "rbe.txt"
RUN
DELETE
10 SERIAL "rbe.txt"; OPEN LOCK (1)"rbe.txt"
20 FOR L=12 TO 66; WRITE (1)DIM(L,"c"); NEXT L
30 FOR L=12 TO 66; PRINT (1)DIM(L,"d"); NEXT L
40 CLOSE (1); OPEN (1)"rbe.txt"
50 READ (1,END=80)A$
60 IF A$<>DIM(LEN(A$),A$(1,1)) THEN PRINT "bad [",A$,"]"
70 PRINT A$(1,1)+STR(LEN(A$))+" ",; GOTO 50
80 PRINT; CLOSE (1); ERASE "rbe.txt"
RUN
DELETE
10 SERIAL "rbe.txt"; OPEN LOCK (1)"rbe.txt"
20 FOR R=1 TO 20; FOR A=13 TO 18; FOR B=11 TO 46 STEP 5; WRITE (1)DIM(A,"a"),DIM(B,"b"),A*100+B; S=S+A*100+B; NEXT B; NEXT A; NEXT R
30 CLOSE (1); PRINT S; OPEN (1)"rbe.txt"
40 READ (1,END=70)A$
50 N=N+1
55 M=M+2
60 GOTO 40
70 PRINT N,M,LEN(A$); CLOSE (1); OPEN (1)"rbe.txt"
80 READ (1,END=110)A$,B$,K
90 T=T+K
95 U=U+1
100 GOTO 80
110 PRINT T,U,LEN(A$),LEN(B$),K; CLOSE (1); OPEN (1)"rbe.txt"
120 READ (1,END=150)A$,B$
130 V=V+1
140 GOTO 120
150 PRINT V,LEN(A$),LEN(B$); CLOSE (1); ERASE "rbe.txt"
RUN
