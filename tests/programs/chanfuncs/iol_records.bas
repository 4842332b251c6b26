10 REM I/O lists of records and IOLIST lines: IOL( VIN( VIS( REC( and their errors; PFX(
20 IOLIST A$,B,C$
30 A$="alpha"; B=42; C$="gamma"
40 PRINT REC(20); PRINT REC(20,SEP=","); PRINT "[",REC(20,SEP=""),"]"
50 DIM R$:IOLIST X$,Y,*,Z
60 X$="ex"; Y=9; R$.X$="rx"; R$.Y=7; R$.Z=-1
70 PRINT HTA(IOL(R$))
80 PRINT VIN(R$,"Y"),VIN(R$,"y")+1," ",VIS(R$,"X$"),VIS(R$,"z")
90 PRINT REC(IOL(R$),SEP="|"); PRINT REC(IOL(R$),R$,SEP="|"); PRINT REC(20,R$,SEP="|")
100 PRINT HTA(IOL(R$,"")); PRINT HTA(IOL(R$,"y"))
110 PRINT VIN(IOL(R$),"Y"),VIN("","B")," ",VIS("","C$")
120 DIM T$:"NAME:C(6),AMT:N(5)"
130 T$.NAME$="bolt"; T$.AMT=12
140 PRINT "[",T$,"] [",VIS(T$,"NAME$"),"]",VIN(T$,"AMT")
150 PRINT VIN(R$,"Q",ERR=160)
160 PRINT "missing field",ERR
170 PRINT VIN(R$,"",ERR=180)
180 PRINT "empty name",ERR
190 PRINT IOL(A$,ERR=200)
200 PRINT "not a record",ERR
210 PRINT IOL(9,ERR=220)
220 PRINT "closed channel",ERR
230 PRINT VIN(70000,"B",ERR=240)
240 PRINT "channel out of range",ERR
250 PRINT REC("x",ERR=260)
260 PRINT "not a list",ERR
270 PRINT REC(30,ERR=280)
280 PRINT "line without IOLIST",ERR
290 PRINT PFX(35,ERR=300)
300 PRINT "prefix number",ERR
310 PRINT "[",PFX(0),PFX(PGN),PFX(-1),PFX("novdir"),"]"
RUN
