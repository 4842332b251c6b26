REM Vertical format of a file channel: 'SL' digits ESC 'EL' sets the format,
REM 'S0'..'S8' advance to the next line with that code (a form feed where
REM the format wraps); 'EL' alone, a code the format lacks, and a definition
REM ended by other text (which is printed, the old format kept).
10 SERIAL "vf.txt"
20 OPEN LOCK (1)"vf.txt"
30 PRINT (1)'SL',"0010020",'EL',"top",
40 PRINT (1)'S2',"at two",
50 PRINT (1)'S1',"at one after the wrap",
60 PRINT (1,ERR=70)'EL'; PRINT "not reached"
70 PRINT "EL alone:",ERR
80 PRINT (1,ERR=90)'S5'; PRINT "not reached"
90 PRINT "no line with code 5:",ERR
100 PRINT (1)'SL',"12","x",'LF',
110 PRINT (1)'S2',"the old format"
120 CLOSE (1)
130 OPEN (1)"vf.txt"
140 READ (1,END=160)L$; IF L$=$0C$ THEN L$="<form feed>"
150 PRINT "[",L$,"]"; GOTO 140
160 CLOSE (1)
RUN
