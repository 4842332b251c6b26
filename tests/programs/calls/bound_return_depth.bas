REM Bound returns that leave their usual way part of the way through: a
REM caller's string with a value after one without (the first handed back
REM once only), a caller's integer after a string and a number, and a
REM bound program called recursively deeper than the frames kept for reuse
REM (each return below the kept ones frees its frame).
DELETE
10 ENTER A$,B$,N
20 PRINT "in: A$=[",A$,"] B$=[",B$,"] N=",N; A$=A$+"a"; B$=B$+"b"; N=N+1
30 EXIT
SAVE "bs"
DELETE
10 ENTER K,R
20 IF K<=1 THEN R=1; EXIT
30 CALL "deep",K-1,R; R=R+K
40 EXIT
SAVE "deep"
DELETE
10 ADDR "bs"; ADDR "deep"
20 E$=""; S$="s"; X=1
30 FOR J=1 TO 3; CALL "bs",E$,S$,X; PRINT "E$=",E$," S$=",S$," X=",X; NEXT J
40 E$=""; S$="t"; X%=4
50 FOR J=1 TO 2; CALL "bs",E$,S$,X%; PRINT "E$=",E$," S$=",S$," X%=",X%; NEXT J
60 FOR J=1 TO 2; R=0; CALL "deep",14,R; PRINT "deep 14: R=",R; NEXT J
70 R=0; CALL "deep",3,R; PRINT "deep 3: R=",R
80 DROP "bs"; DROP "deep"
RUN
