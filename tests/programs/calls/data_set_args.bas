REM Variables of a loaded data set passed by reference to a called program
REM (which finds them too): its ENTER names the same variables, which keep
REM their values, and what the program assigns stays.
B$="hello"; A=1
SAVE DATA "dsargs"
CLEAR
DELETE
10 ENTER A,B$
20 PRINT "dssub: A=",A," B$=",B$; A=A+1; B$=B$+"x"
30 EXIT
SAVE "dssub"
DELETE
LOAD DATA "dsargs"
10 FOR I=1 TO 2; CALL "dssub",A,B$; PRINT "main: A=",A," B$=",B$; NEXT I
RUN
CALL "dssub",A,B$
PRINT "console: A=",A," B$=",B$
DROP DATA "dsargs"
