REM The member channel holds the member's record: its record and buffer size
REM are the record's length, it has no host descriptor, and IND= reaches up
REM to the end of the record and no further.
10 PRINT "hello"
SAVE "[lib:mc]prog"
DELETE
10 OPEN (1)"[lib:mc]prog"
20 R=NUM(FIN(1,"RSZ")); PRINT R>288,FIN(1,"HANDLE")
30 READ RECORD (1,IND=R-4,SIZ=100)A$; PRINT LEN(A$),IND(1)=R
40 READ RECORD (1,IND=R,SIZ=10,END=50)A$; PRINT "read at the end"
50 PRINT "at the end:",ERR
60 READ RECORD (1,IND=R+1,SIZ=10,END=70)A$; PRINT "read past the end"
70 PRINT "past the end:",ERR
80 CLOSE (1)
90 OPEN (1)"mc"
100 READ RECORD (1,KEY=KEF(1))A$; PRINT "the record's length:",LEN(A$)=R
110 CLOSE (1)
RUN
