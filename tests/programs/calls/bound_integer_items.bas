REM A program whose ENTER names an integer ("%") called over and over with
REM a number: its variable stays an integer on every call, also once a
REM call that failed in its ENTER (no argument) has kept its variables (an
REM integer keeps its flag when cleared: a bound call takes no such item);
REM an item beside it binds as usual.
DELETE
10 ENTER B%,C
20 B%=B%/2+0.7; C=C+B%; EXIT
SAVE "intitem"
DELETE
10 ENTER A,B%
20 A=A*3; B%=B%+A/4; EXIT
SAVE "intlast"
DELETE
10 ENTER B%
20 B%=B%/2+0.7; EXIT
SAVE "intonly"
DELETE
10 ADDR "intitem"; ADDR "intlast"; ADDR "intonly"
20 FOR R=1 TO 4; X=7.5; Y=R; CALL "intitem",X,Y; PRINT R,X,Y; NEXT R
30 FOR R=1 TO 3; P=R+0.5; Q=1; CALL "intlast",P,Q; PRINT R,P,Q; NEXT R
40 FOR R=1 TO 3; CALL "intitem",X,Y; NEXT R; PRINT X,Y
50 FOR R=1 TO 2; X=7.5; CALL "intonly",X; PRINT X; NEXT R
60 FOR R=1 TO 2; CALL "intonly",ERR=70; NEXT R
70 PRINT "failed",ERR
80 FOR R=1 TO 3; X=7.5; CALL "intonly",X; PRINT X; NEXT R
RUN
