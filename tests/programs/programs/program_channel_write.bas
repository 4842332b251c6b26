REM WRITE on a program-file channel writes the channel buffer behind the
REM header, as PRINT does; PURGE leaves the channel ready for writing
10 OPEN (1)"pcw"; PURGE (1)
20 WRITE RECORD (1)"hello"
30 WRITE (1)"ab",1
40 PRINT (1)"xy"
50 PRINT "position:",IND(1); CLOSE (1)
60 OPEN (1)"pcw"; READ RECORD (1,IND=256,SIZ=5)A$; PRINT A$
70 READ RECORD (1,SIZ=2)A$; PRINT A$; CLOSE (1)
80 OPEN (1)"pcw"; READ RECORD (1,IND=256,SIZ=100,END=90)A$
90 PRINT "short read:",ERR; CLOSE (1)
PROGRAM "pcw"
RUN
