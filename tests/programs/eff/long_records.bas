REM EFF records longer than 32767 bytes (up to the 64000 a file allows):
REM every byte is kept and read back, plain and compressed, and keys built
REM from fields that lie beyond the first 32767 bytes find them.  Their
REM length used to lose its top bit, so that such a record was cut short.
10 DIM W$[4]; FOR F=1 TO 2
20 IF F=1 THEN O$="1" ELSE O$="1C"
30 KEYED "long","[1:1:6],[3:1:5]",0,64000,OPT=O$
40 OPEN (1)"long"
50 FOR I=1 TO 4
60 L=32000+I*7900-11; DIM T$(L,CHR(64+I)); FOR J=1 TO L STEP 251; T$(J,1)=CHR(48+MOD(J,10)); NEXT J
70 WRITE (1)"LONG"+STR(I:"00"),T$,"END"+STR(I:"00"); W$[I]=T$
80 NEXT I
90 CLOSE (1); OPEN (1)"long"
100 FOR I=1 TO 4
110 READ RECORD (1,KNO=1,KEY="END"+STR(I:"00"))R$
120 READ (1,KNO=0,KEY="LONG"+STR(I:"00"))K$,T$,E$
130 PRINT O$," ",K$," record ",LEN(R$)," field ",LEN(T$)," ",E$," same ",T$=W$[I]
140 NEXT I
150 READ (1,KEY="LONG01")K$,T$,E$; WRITE (1)K$,T$+T$(1,20000),E$; W$[1]=T$+T$(1,20000)
160 READ (1,KEY="LONG04")K$,T$,E$; WRITE (1)K$,T$(1,100),"NEW04"
170 READ RECORD (1,KNO=1,KEY="END01")R$; PRINT "grown ",LEN(R$)
180 READ RECORD (1,KNO=1,KEY="NEW04")R$; PRINT "shrunk ",LEN(R$)
190 REMOVE (1,KEY="LONG02")
200 READ (1,KNO=1,KEY="",DOM=210)
210 READ (1,KNO=1,END=230)K$,T$,E$; PRINT E$," ",LEN(T$)," ",T$=W$[NUM(K$(5))](1,LEN(T$))," ",; GOTO 210
230 PRINT ""; CLOSE (1); ERASE "long"
240 NEXT F
RUN
