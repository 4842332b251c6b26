REM A variable the running program may not touch (its dictionary bits are
REM not held) is refused as a bound call's argument as anywhere else; one it
REM may touch lends its bits to the called program's variable.
INVOKE "printf '\000\001\000\002\000\000\100\000\100\000\000\007\000\000\000\000\000\015\006SECRET\005PLAIN\000\002\000\000\000\002\000\000\000\001' > dd"
DELETE
10 ENTER A,B$
20 PRINT "in: A=",A," B$=",B$; A=A+1; B$=B$+"."
30 EXIT
SAVE "bmask"
DICT LOAD "dd"
DELETE
10 ADDR "bmask"; SECRET=5; PLAIN=1; S$="s"
20 FOR I=1 TO 2; CALL "bmask",SECRET,S$; CALL "bmask",PLAIN,S$; NEXT I
30 PRINT "SECRET=",SECRET," PLAIN=",PLAIN," S$=",S$
40 STOP
50 CALL "bmask",PLAIN,S$; CALL "bmask",SECRET,S$,ERR=60; PRINT "taken?"
60 PRINT "no bit 2: ERR=",ERR," PLAIN=",PLAIN," S$=",S$
70 DROP "bmask"
RUN
SET_MASK OFF 2
RUN 50
