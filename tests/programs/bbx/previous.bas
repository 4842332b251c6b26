REM Keyed files of the BBx format: KEP( with KEY=, IND= or RNO= gives the key
REM before the entry named, whatever the position; with parameter KR, KEP( of
REM a record READ (not EXTRACTed) gives that record's own key
10 OPEN (1)"parts.bbx"
20 READ RECORD (1,KEY="P100")R$
30 PRINT "KEY=P400:",KEP(1,KEY="P400")," KEY=P200:",KEP(1,KEY="P200")
40 X$=KEP(1,KEY="P100",ERR=50); PRINT X$
50 PRINT "KEY=P100: error",ERR
60 X$=KEP(1,KEY="P250",ERR=70); PRINT X$
70 PRINT "KEY=P250 missing: error",ERR
80 PRINT "IND=4:",KEP(1,IND=4)," RNO=4:",KEP(1,RNO=4)," position:",KEY(1)
90 READ RECORD (1,KEY="P400")R$; PRINT "after P400:",KEP(1)," KEY=P300:",KEP(1,KEY="P300")
100 EXTRACT RECORD (1,KEY="P300")R$; PRINT "after EXTRACT:",KEP(1)
110 CLOSE (1)
200 OPEN (2)"cust.bbm"
210 READ RECORD (2,KNO=0,KEY="C001")R$
220 PRINT "KEY=C004:",KEP(2,KEY="C004")," RNO=3:",KEP(2,RNO=3)
230 K$=KEP(2,KNO=1,KEY="WHITE"); PRINT "KNO=1 KEY=WHITE:",K$
240 CLOSE (2)
300 SET_PARAM 'KR'
310 OPEN (1)"parts.bbx"; X$=KEP(1,ERR=320); PRINT X$
320 PRINT "KR, nothing read: error",ERR
330 READ RECORD (1,KEY="P300")R$; PRINT "KR, after P300:",KEP(1)," KEY=P400:",KEP(1,KEY="P400")
340 EXTRACT RECORD (1,KEY="P300")R$; PRINT "KR, after EXTRACT:",KEP(1)
350 OPEN (2)"cust.bbm"; READ RECORD (2,KNO=0,KEY="C003")R$
360 PRINT "KR, after C003:",KEP(2),KEP(2,KNO=1)
370 END
RUN
