REM Field variables of a record take the record's name, a "." and the
REM field's name: SAVE DATA keeps names up to the 255 bytes its one-byte
REM length holds and LOAD DATA reads them back; a longer name is refused
REM before the file is touched.
10 N$=DIM(60,"R")+"$"; F$=DIM(80,"F")
20 EXECUTE "DIM "+N$+":""K:C(3),"+F$+":C(4),AMT:N(6)"""
30 EXECUTE N$+"."+F$+"$=""abcd""; "+N$+".AMT=12.5"
40 SAVE DATA "vdl"
50 CLEAR
60 LOAD DATA "vdl"
70 N$=DIM(60,"R")+"$"; F$=DIM(80,"F")
80 EXECUTE "PRINT "+N$+"."+F$+"$,"+N$+".AMT"
90 DROP DATA "vdl"; CLEAR
100 N$=DIM(126,"S")+"$"; F$=DIM(127,"G")
110 EXECUTE "DIM "+N$+":"""+F$+":C(2)"""
120 EXECUTE N$+"."+F$+"$=""zz"""
130 SAVE DATA "vdl",ERR=200
140 PRINT "saved"; STOP
200 PRINT "refused",ERR
210 LOAD DATA "vdl"; PRINT "old file kept"
220 N$=DIM(60,"R")+"$"; F$=DIM(80,"F")
230 EXECUTE "PRINT "+N$+"."+F$+"$"
RUN
