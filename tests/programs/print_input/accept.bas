REM ACCEPT reads characters without the line editor: on the console SIZ=
REM takes that many bytes of the input at once (line ends included), without
REM it one character; at the end of the input a character that does not come
REM is the busy error 0 through EVT=, and SIZ= finds the end of data (END=).
REM A channel that is no device is error 13.
10 ACCEPT (0,SIZ=5)A$
20 PRINT "SIZ=5 [",HTA(A$),"]"
30 ACCEPT B$
40 PRINT "one character [",B$,"]"
50 SERIAL "s"; OPEN (1)"s"
60 ACCEPT (1,ERR=80)C$
70 PRINT "not here"
80 PRINT "ACCEPT on a serial file: error",ERR; CLOSE (1); ERASE "s"
90 ACCEPT (0,SIZ=100)D$
100 PRINT "the rest [",HTA(D$),"]"
110 ACCEPT (0,EVT=130)E$
120 PRINT "not here"
130 PRINT "nothing left: error",ERR
140 ACCEPT (0,SIZ=3,END=160)F$
150 PRINT "not here"
160 PRINT "SIZ= at the end: error",ERR
RUN
abcdefgh
tail
