REM A called program's return that cannot park its variables (another
REM program was loaded meanwhile) hands them over instead; the next call
REM takes them from there, and its return empties every one of them, the
REM variable the handed-over call made among them.
DELETE
10 ENTER A
20 PRINT "  in: A=",A
30 IF A=4 THEN CALL "bkh_o"; X=A
40 IF A>4 THEN PRINT "  X=",X; X=A*10
50 EXIT
SAVE "bkh"
DELETE
10 EXIT
SAVE "bkh_o"
DELETE
10 ADDR "bkh"
20 FOR I=1 TO 7; K=I; CALL "bkh",K; NEXT I
30 DROP "bkh"; END
RUN
ERASE "bkh"
ERASE "bkh_o"
