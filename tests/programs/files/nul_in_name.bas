REM A file name with a NUL byte inside it is error 10: the host would end
REM the name there and reach another file.  NUL bytes at the end of an OPEN
REM name are dropped as before.
10 ERASE "t_nul",ERR=20
20 SERIAL "t_nul"
30 OPEN (1,ERR=50)"t_nul"+$00$+".txt"
40 PRINT "opened t_nul?"; CLOSE (1)
50 PRINT "OPEN: error",ERR
60 OPEN (1)"t_nul"+$0000$; PRINT "trailing NULs: opened"; CLOSE (1)
70 SERIAL "t_nul2"+$00$+"x",ERR=90
80 PRINT "created?"
90 PRINT "SERIAL: error",ERR
100 OPEN (1,ERR=120)"t_nul2"
110 PRINT "t_nul2 exists?"; CLOSE (1)
120 RENAME "t_nul","t_nul3"+$00$+"x",ERR=140
130 PRINT "renamed?"
140 PRINT "RENAME: error",ERR
150 ERASE "t_nul"+$00$+"x",ERR=170
160 PRINT "erased?"
170 PRINT "ERASE: error",ERR
180 OPEN (1,ERR=200)"<echo one"+$00$+"; echo two"
190 PRINT "pipe opened?"; CLOSE (1)
200 PRINT "pipe: error",ERR
210 ERASE "t_nul"
RUN
