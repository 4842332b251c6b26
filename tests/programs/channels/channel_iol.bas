10 SERIAL "ciol.tmp"
20 OPEN LOCK (1,IOL=900)"ciol.tmp"
30 A$="first",B=12.5,C$="third"
40 WRITE (1)
50 A$="second",B=-7,C$=""
60 WRITE (1)
70 CLOSE (1)
80 OPEN (1,IOL=900)"ciol.tmp"
90 A$="",B=0,C$="x"
100 READ (1)
110 PRINT A$,"|",B,"|",C$
120 READ (1)
130 PRINT A$,"|",B,"|",C$
140 PRINT LEN(IOL(1))>0
150 LET X$=IOL(1)
160 READ (1,IND=0,IOL=X$)
170 PRINT A$,"|",B,"|",C$
180 CLOSE (1)
190 OPEN (1)"ciol.tmp"
200 READ RECORD (1)R$
210 PRINT LEN(R$),POS("third"=R$)>0
220 CLOSE (1)
230 ERASE "ciol.tmp"
240 END
900 IOLIST A$,B,IOL=910
910 IOLIST C$
RUN
