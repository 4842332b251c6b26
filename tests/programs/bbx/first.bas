REM Keyed files of the BBx format: a key of zero bytes only stands for the
REM empty key, so KEF( gives the first key above it
10 OPEN (1)"blank.bbx"
20 PRINT "list kind: KEF:",KEF(1)," KEL:",KEL(1)
30 READ RECORD (1,KEY="B200")R$; PRINT "after B200:",KEF(1)
40 CLOSE (1)
50 OPEN (2)"blank.bbm"
60 PRINT "tree kind: KEF:",KEF(2)," KEL:",KEL(2)," KEF KNO=0:",KEF(2,KNO=0)
70 READ RECORD (2,KEY="A100")R$; PRINT "after A100:",R$,KEF(2)
80 END
RUN
