REM LIST (ch): the program as text rows on a channel, lines unwrapped
10 PRINT 1
20 REM a remark
30 FOR I=1 TO 3; PRINT "a long line with text",I; NEXT I; PRINT "more text to pass eighty columns"
ERASE "lst.txt",ERR=*NEXT
SERIAL "lst.txt"
OPEN LOCK (1)"lst.txt"
LIST (1)
LIST (1)20,30
LIST (1,ERR=*NEXT)EDIT 10
CLOSE (1)
40 OPEN (1)"lst.txt"
50 READ (1,END=70)A$; PRINT A$
60 GOTO 50
70 CLOSE (1)
RUN 40
LIST (5)
LIST (0)10
