REM What a callee changes of the state a call carries over (its precision
REM and ROUND, a WITH value) is its own: the caller has its own back after
REM each return, and each call of a loop, warm or not, hands the callee the
REM caller's again.
DELETE
10 ENTER A
20 PRINT "in ",A,": 2/3=",2/3," 5/2=",5/2
30 PRECISION 0; ROUND; WITH 7
40 PRINT "  callee after: 2/3=",2/3
50 A=A+1
60 EXIT
SAVE "bcs"
DELETE
10 ADDR "bcs"; PRECISION 3; X=0
20 FOR I=1 TO 4
30 CALL "bcs",X
40 PRINT "caller: 2/3=",2/3," 5/2=",5/2
50 IF I=2 THEN PRECISION 1
60 NEXT I
70 DROP "bcs"
80 SET_PARAM 'PC'=3; PRECISION 2
90 FOR I=1 TO 3; CALL "bcs",X; PRINT "caller: 2/3=",2/3; NEXT I
100 PRINT "X=",X
RUN
ERASE "bcs"
