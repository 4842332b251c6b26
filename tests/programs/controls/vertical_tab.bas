REM 'VT' on a printer or file channel advances to the next line of the
REM vertical format coded 6, with a form feed where the format wraps; with
REM no format, or none coded 6, it is the mnemonic error.
10 SERIAL "vt.txt"
20 OPEN LOCK (1)"vt.txt"
30 PRINT (1,ERR=40)'VT'; PRINT "not reached"
40 PRINT "VT without a format:",ERR
50 PRINT (1)'SL',"0600600",'EL',"top",
60 PRINT (1)'VT',"at six",
70 PRINT (1)'VT',"at six again",
80 PRINT (1)'VT',"after the wrap"
90 PRINT (1)'SL',"012",'EL',
100 PRINT (1,ERR=110)'VT'; PRINT "not reached"
110 PRINT "no line coded 6:",ERR
120 CLOSE (1)
130 OPEN (1)"vt.txt"
140 READ (1,END=160)L$; IF L$=$0C$ THEN L$="<form feed>"
150 PRINT "[",L$,"]"; GOTO 140
160 CLOSE (1)
RUN
