REM Lines shorter than 64 bytes are searched once, their separators marked
REM on the way to the line end; longer ones field by field.  Lines of 56 to
REM 70 bytes put the line end and the last separators on both sides of
REM byte 64; fewer fields than items, more fields than items, NULs after the
REM fields and empty fields take the same values either way.
10 ERASE "rlm.txt",ERR=20
20 SERIAL "rlm.txt"; OPEN LOCK (1)"rlm.txt"
30 FOR L=50 TO 66; WRITE (1)DIM(L,"x"),L,"z"; NEXT L
40 CLOSE (1); OPEN (1)"rlm.txt"
50 READ (1,END=70)A$,K,B$
60 PRINT LEN(A$),K,B$,; GOTO 50
70 PRINT; CLOSE (1); ERASE "rlm.txt"
RUN
DELETE
INVOKE "printf 'a\212\212c\212\nonly\n\212\212\212\212\nnul\212\000\000\000\n%060d\212tail\212\n%061d\n%062d\212\n%063d\212\n%064d\n%070d\212last\2127\212' 1 2 3 4 5 6 > rlm2.txt"
10 OPEN (1)"rlm2.txt"
20 READ (1,END=50)A$,B$,C$
30 PRINT LEN(A$),"[",A$,"][",B$,"][",C$,"]"
40 GOTO 20
50 PRINT "end"; CLOSE (1); ERASE "rlm2.txt"
RUN
