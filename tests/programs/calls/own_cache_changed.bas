REM A program kept by the process between plain calls (PC 0) is read again
REM as soon as its file changes on disk, also when only the change notice
REM tells (a copy of a program of the same size over it): whether the call
REM starts it from its kept context, binds its arguments directly or looks
REM it up by name (another precision), and at every call after that.
10 ENTER A,B$
20 PRINT "first: ",A,B$
30 EXIT
SAVE "chg1"
SAVE "chg2"
SAVE "chg3"
DELETE
10 ENTER A,B$
20 PRINT "other: ",A,B$
30 EXIT
SAVE "chg.new"
DELETE
10 FOR I=1 TO 3; CALL "chg1",I,"x"; CALL "chg2",I,"x"; CALL "chg3",I,"x"; NEXT I
20 INVOKE "cp chg.new chg1"
30 CALL "chg1",4,"x"
40 INVOKE "cp chg.new chg2"
50 A=5; B$="y"; CALL "chg2",A,B$
60 INVOKE "cp chg.new chg3"
70 PRECISION 3; CALL "chg3",6,"x"; PRECISION 2
80 FOR I=7 TO 8; CALL "chg1",I,B$; CALL "chg2",A,B$; CALL "chg3",I,"z"; NEXT I
RUN
