REM RENAME CONTROL takes two ids or one string of 4-byte entries: a lone id
REM or a string with a second id is a type error (26), taken by the
REM statement's ERR= like its other errors; the good forms need the thin
REM client (99).
RENAME CONTROL 5
RENAME CONTROL 5,SHOW
RENAME CONTROL "abcd",6
RENAME CONTROL 5,6
RENAME CONTROL "abcd",HIDE
RENAME CONTROL "abc"
10 RENAME CONTROL 5,ERR=100
20 PRINT "not taken"
30 RENAME CONTROL "abcd",7,ERR=110
40 END
100 PRINT "taken",ERR; GOTO 30
110 PRINT "taken",ERR
RUN
