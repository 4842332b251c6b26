REM MID( at the end of its string: a start just past the last byte is an
REM empty result, not a clip, so ERR= is not taken; one further is error 47.
10 E$=""
20 PRINT "[",MID("ABC",4,ERR=100),"]"
30 PRINT "[",MID(E$,1,ERR=100),"]"
40 PRINT "[",MID("ABC",4,0,ERR=100),"]"
50 PRINT "[",MID("ABC",3,1,ERR=100),"]"
60 PRINT "[",MID("ABC",5,ERR=70),"]"
70 PRINT "error ",ERR
80 PRINT "[",MID("ABC",5),"]"
90 STOP
100 PRINT "unexpected error ",ERR
RUN
