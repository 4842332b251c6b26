REM A record defined by an inline I/O list keeps each field's format, as one from an IOLIST line
10 DIM R$:IOLIST A$:CHR(5),B
20 R$.A$="ab"; R$.B=7
30 PRINT LEN(R$),HTA(R$)
40 Z$=R$; R$.A$=""; R$.B=0; R$=Z$; PRINT R$.A$,R$.B
50 PRECISION 99 FOR OBJECT,ERR=70
60 PRINT "no"
70 PRINT "PRECISION FOR OBJECT",ERR
80 END
LIST
RUN
