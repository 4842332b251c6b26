REM ADD: the plain form evaluates its text and does nothing else, a bad
REM expression is its error; the forms of other subsystems say what they
REM wait for (ADD SERVER declares a cached client property), and the
REM console goes on.  RANDOM and SWAP are not available
REM in this system (error 99 with its own text).
10 X=1
20 ADD "note "+STR(X)
30 ADD X*2
40 PRINT "plain ADD done"
50 ADD "a"+1,ERR=70
60 PRINT "not here"
70 PRINT "bad text: error",ERR
RUN
ADD PROPERTY A=1
ADD INDEX [0:1:2] ON "f"
ADD SERVER "s"
PRINT "console goes on"
RANDOM
SWAP A,B
