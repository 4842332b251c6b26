REM A bound call's return that parks a program whose variables are its
REM ENTER items alone leaves their values for the next bound call, which
REM sets them whole; every other way of taking the program empties them
REM first: a call the long way (an expression passed), a call without
REM arguments, an entry point, a run after the access bits changed.  The
REM called program never sees a value or an access bit of an earlier call.
INVOKE "printf '\000\001\000\002\000\000\100\000\100\000\000\007\000\000\000\000\000\015\006SECRET\005PLAIN\000\002\000\000\000\002\000\000\000\001' > dd"
DELETE
10 ENTER A,B$,C
20 PRINT "  in: A=",A," B$=",B$," C=",C; A=A+1; B$=B$+"."; C=C*2
30 EXIT
SAVE "bsv"
DICT LOAD "dd"
DELETE
10 ADDR "bsv"; SECRET=5; PLAIN=1; S$="s"; Z=1
20 FOR I=1 TO 3; CALL "bsv",SECRET,S$,Z; NEXT I
30 CALL "bsv",PLAIN+10,S$,Z
40 FOR I=1 TO 2; CALL "bsv",SECRET,S$,Z; NEXT I
50 CALL "bsv",ERR=60
60 PRINT "no arguments: ERR=",ERR
70 CALL "bsv;#20"
80 FOR I=1 TO 2; CALL "bsv",SECRET,S$,Z; NEXT I; PRINT "SECRET=",SECRET," S$=",S$," Z=",Z
90 STOP
100 CALL "bsv",PLAIN+0,S$,Z,ERR=130; PRINT "by value: PLAIN=",PLAIN
110 CALL "bsv",PLAIN,S$,Z,ERR=130; PRINT "by reference: PLAIN=",PLAIN
120 DROP "bsv"; END
130 PRINT "refused: ERR=",ERR; DROP "bsv"
RUN
SET_MASK OFF 2
RUN 100
ERASE "bsv"
ERASE "dd"
