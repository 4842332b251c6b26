REM SAVE DATA follows IOLIST references in its list (nested ones too), and
REM an ERR= at the end of SAVE DATA, LOAD DATA and ON EVENT takes errors
REM raised before it is read (a bad name, a bad reference, a value out of
REM range).
10 IOLIST A,B$,IOL=20
20 IOLIST C
30 A=1; B$="x"; C=2; Z=3
40 SAVE DATA "vd",IOL=10,Z
50 CLEAR
60 LOAD DATA "vd"; PRINT A,B$,C,Z
70 SAVE DATA "vd2",IOL=99,ERR=200
80 LOAD DATA "",ERR=210
90 SAVE DATA "",ERR=220
100 DEF OBJECT E,"*system"; ON EVENT "FileOpen" FROM E PREINPUT 40000,ERR=230
110 END
200 PRINT "bad reference",ERR; GOTO 80
210 PRINT "load",ERR; GOTO 90
220 PRINT "save",ERR; GOTO 100
230 PRINT "on event",ERR
RUN
