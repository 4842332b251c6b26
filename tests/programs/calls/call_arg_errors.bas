REM CALL's ERR= takes the errors of its arguments as well as the called
REM program's; an argument's error without ERR= stops the program as before.
DELETE
10 ENTER A,B$
20 PRINT "in: ",A," ",B$
30 EXIT
SAVE "cae"
DELETE
10 DIM A[3]; A[1]=1
20 CALL "cae",A[9],"x",ERR=40
30 PRINT "not here"
40 PRINT "subscript: ERR=",ERR
50 CALL "cae",1/0,"x",ERR=70
60 PRINT "not here"
70 PRINT "divide: ERR=",ERR
80 CALL "cae",2,STR(NUM("z",ERR=90)),ERR=100
90 PRINT "inner ERR= taken: ERR=",ERR; GOTO 110
100 PRINT "outer ERR=: ERR=",ERR
110 CALL "cae",A[1],"ok",ERR=130
120 PRINT "back"
130 CALL "nosuch",ERR=150
140 PRINT "not here"
150 PRINT "missing: ERR=",ERR
160 CALL "cae",A[1],"fine"; CALL "cae",A[8],"y"
170 PRINT "not here"
RUN
ERASE "cae"
