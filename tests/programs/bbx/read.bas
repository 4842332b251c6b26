REM Keyed files of the BBx format, read only: the list kind (14) and the
REM tree kind (15) in every key order, by key, index and ordinal; a record
REM of a single-key file reads without its leading key
10 OPEN (1)"parts.bbx"
20 READ RECORD (1,END=30)R$; K$=KEC(1); PRINT K$(1,4),IND(1,KEY=K$(1,4)),RNO(1); GOTO 20
30 PRINT "first",KEF(1)," last",KEL(1)
40 READ RECORD (1,KEY="P200")R$; PRINT "P200:",R$(1,5)="screw","next",KEN(1),"previous",KEP(1),"current",KEC(1)
50 READ RECORD (1,KEY="P250",DOM=60)R$
60 READ RECORD (1)R$; K$=KEC(1); PRINT "after P250:",K$(1,4)
70 READ RECORD (1,IND=2)R$; K$=KEC(1); PRINT "IND=2:",K$(1,4)
80 READ RECORD (1,RNO=4)R$; K$=KEC(1); PRINT "RNO=4:",K$(1,4)
90 EXTRACT RECORD (1,KEY="P100")R$; READ RECORD (1)S$; K$=KEC(1); PRINT "after EXTRACT the same:",K$(1,4)
100 READ RECORD (1,KEY="P100000",ERR=110)R$
110 PRINT "KEY= too long: error",ERR
120 WRITE RECORD (1,ERR=130)"P600  x"
130 PRINT "WRITE: error",ERR
140 REMOVE (1,KEY="P100",ERR=150)
150 PRINT "REMOVE: error",ERR
160 CLOSE (1)
200 OPEN (2)"cust.bbm"
210 READ RECORD (2,END=220)R$; PRINT R$(1,4),; GOTO 210
220 PRINT
230 READ RECORD (2,KNO=1,KEY="",DOM=240)R$
240 READ RECORD (2,KNO=1,END=250)R$; K$=KEC(2); PRINT K$(1,5),; GOTO 240
250 PRINT
260 READ RECORD (2,KNO=2,RNO=1)R$; K$=KEC(2); PRINT "descending:",K$(1,3),R$(1,4),
270 READ RECORD (2,KNO=2,END=280)R$; K$=KEC(2); PRINT K$(1,3),R$(1,4),; GOTO 270
280 PRINT
290 READ RECORD (2,KNO=1,KEY="JONES")R$; PRINT "JONES:",R$(1,4),RNO(2)
300 READ RECORD (2,KNO=0,KEY="C003")R$; PRINT "C003:",R$(6,5),KEF(2),KEL(2)
310 READ RECORD (2,IND=1,ERR=320)R$
320 PRINT "IND= on the tree kind: error",ERR
330 CLOSE (2)
340 END
RUN
