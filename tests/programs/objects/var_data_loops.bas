REM DROP DATA of the set that holds a running loop's control variable: the
REM loop runs its course without it (a count, the pieces of a string), also
REM when a called program drops the set below the loop, and the variables
REM made after the drop keep their values.
I=0; S$=""
SAVE DATA "dsloops"
CLEAR
DELETE
10 DROP DATA "dsloops"; T$="called"+" program"
20 EXIT
SAVE "dsloopsub"
DELETE
10 LOAD DATA "dsloops"
20 FOR I=1 TO 4
30 PRINT "I=",I," Q=",Q
40 IF I=2 THEN DROP DATA "dsloops"; Q=100
50 NEXT I
60 PRINT "end I=",I," Q=",Q
70 LOAD DATA "dsloops"
80 FOR S$="a,b,c,d,"
90 PRINT "S$=",S$," T$=",T$; IF S$="b" THEN DROP DATA "dsloops"; T$="ttttttt"+"t"
100 NEXT S$
110 PRINT "end S$=",S$," T$=",T$
120 LOAD DATA "dsloops"
130 FOR S$="x,y,z,"
140 PRINT "S$=",S$," U$=",U$; IF S$="x" THEN CALL "dsloopsub"; U$="uuuuu"+"u"
150 NEXT S$
160 PRINT "end S$=",S$," U$=",U$
RUN
