REM DUMP / in a called program shows at each calling level the strings and
REM arrays it passed by reference, as the callee holds them meanwhile (also
REM passed on through a further call, and on a call repeated in a loop)
10 ENTER E$,F[ALL]
20 E$=E$+"!"; F[2]=9
30 DUMP /
40 EXIT
SAVE "dref2"
DELETE
10 ENTER B$,C[ALL]
20 CALL "dref2",B$,C[ALL]
30 EXIT
SAVE "dref1"
DELETE
10 A$="top"; DIM D[2]; D[1]=3; X=5; Y$="kept"
20 CALL "dref1",A$,D[ALL]
30 FOR I=1 TO 2; DIM D[2]; A$="loop"; CALL "dref2",A$,D[ALL]; NEXT I
40 PRINT "after:",A$,D[2]
RUN
