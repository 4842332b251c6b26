REM Bound calls of a program kept by the program cache (PC 3): a new file
REM under its name with the same ENTER is seen at the next call once this
REM process dropped the program (an ERASE), one whose ENTER takes other
REM types refuses the arguments, an erased one is gone.
DELETE
10 ENTER A,B$
20 PRINT "old: A=",A," B$=",B$; A=A+1
30 EXIT
SAVE "bch"
DELETE
10 ENTER A,B$
20 PRINT "new: A=",A," B$=",B$; A=A*10; B$=B$+"!"
30 EXIT
SAVE "bch.new"
DELETE
10 ENTER A$,B
20 PRINT "other: A$=",A$
30 EXIT
SAVE "bch.other"
DELETE
10 SET_PARAM 'PC'=3; X=1; S$="s"
20 FOR I=1 TO 2; CALL "bch",X,S$; NEXT I
30 INVOKE "cp bch.new bch"; ERASE "drop.mark",ERR=*NEXT
40 FOR I=1 TO 2; CALL "bch",X,S$; NEXT I
50 PRINT "X=",X," S$=",S$
60 INVOKE "cp bch.other bch"; ERASE "drop.mark",ERR=*NEXT
70 CALL "bch",X,S$,ERR=80; PRINT "taken?"
80 PRINT "other types: ERR=",ERR," X=",X," S$=",S$
90 ERASE "bch"; CALL "bch",X,S$,ERR=100; PRINT "called an erased program?"
100 PRINT "erased: ERR=",ERR
110 SET_PARAM 'PC'=0
RUN
