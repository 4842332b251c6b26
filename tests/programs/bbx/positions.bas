REM Keyed files of the BBx format: KEY( and IND( tell the entry the next READ
REM takes; KEC( of a key after key 0 keeps the record offset, so that KEY=
REM with it finds that very record among equal values
10 OPEN (1)"parts.bbx"
20 READ RECORD (1,KEY="P100")R$; PRINT "after P100:",KEY(1),IND(1),RNO(1)
30 READ RECORD (1)R$; K$=KEC(1); PRINT "READ:",K$(1,4),KEY(1),IND(1)
40 READ RECORD (1,KEY="P500")R$; K$=KEC(1); PRINT "after the last:",K$(1,4),
50 X$=KEY(1,ERR=60); PRINT "KEY:",X$
60 PRINT " KEY( error",ERR,
70 N=IND(1,ERR=80); PRINT N
80 PRINT " IND( error",ERR
90 EXTRACT RECORD (1,KEY="P300")R$; PRINT "after EXTRACT:",KEY(1),IND(1)
100 READ RECORD (1)R$; K$=KEC(1); PRINT "READ after EXTRACT:",K$(1,4),KEY(1),IND(1)
110 PRINT "IND=2:",IND(1,IND=2),"KEY=P400:",IND(1,KEY="P400")
120 N=IND(1,KEY="P450",ERR=130)
130 PRINT "IND( of a missing key: error",ERR
140 READ RECORD (1,KEY="P250",DOM=150)R$
150 PRINT "after P250 missing:",KEY(1),IND(1)
160 CLOSE (1)
200 OPEN (2)"cust.bbm"
210 READ RECORD (2,KNO=0,KEY="C002")R$; PRINT "C002:",KEY(2),IND(2),RNO(2)
220 READ RECORD (2,KNO=2,KEY="100")R$; PRINT "KEY=100:",R$(1,4),
230 READ RECORD (2,KNO=2,RNO=5)R$; K$=KEC(2); PRINT " RNO=5:",R$(1,4),K$(1,3),LEN(K$)>3,
240 READ RECORD (2,KNO=2,KEY=K$)R$; PRINT " KEY=KEC(:",R$(1,4)
250 READ RECORD (2,KNO=0,KEY="C006")R$; X$=KEY(2,ERR=260)
260 PRINT "after the last: KEY( error",ERR
265 EXTRACT RECORD (2,KNO=0,KEY="C003")R$; PRINT "after EXTRACT:",KEY(2,KNO=1),IND(2,KNO=1)
270 CLOSE (2)
280 END
RUN
