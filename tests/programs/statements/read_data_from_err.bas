REM READ DATA FROM takes an ERR= among its items, also for an error raised
REM by an item before it (a field that is no number: 43).
10 READ DATA FROM "abc",SEP=",",N,ERR=40
20 PRINT "no error"; STOP
40 PRINT "err=",ERR
50 READ DATA FROM "1,x",SEP=",",A,B$,ERR=60; PRINT A,B$
60 READ DATA FROM "1,x",SEP=",",A,B,ERR=70; PRINT "no"
70 PRINT "err=",ERR
80 READ DATA FROM "1",SEP=",",A$,ERR=90; PRINT "[",A$,"]"
90 READ DATA FROM "abc",SEP=",",N
RUN
