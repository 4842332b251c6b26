REM A memory-file record longer than the channel's output buffer is kept
REM whole, with or without SIZ=.
10 B$=""
20 FOR I=1 TO 500
30 B$=B$+"abcdefghij"
40 NEXT I
50 OPEN (1)"*memory*;KEYDEF=[1:4991:10]"
60 WRITE (1)B$
70 WRITE (1)"short"
80 READ (1)C$
90 PRINT "first: ",LEN(C$)," bytes"
100 READ (1)C$
110 PRINT "then: ",LEN(C$)," bytes, the same: ",C$=B$
120 CLOSE (1)
130 OPEN (1,SIZ=16)"*memory*"
140 WRITE (1)B$
150 READ (1)C$
160 PRINT "with SIZ=16: ",LEN(C$)," bytes, the same: ",C$=B$
170 CLOSE (1)
RUN
