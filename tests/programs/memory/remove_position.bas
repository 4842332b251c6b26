REM After REMOVE by KEY=, IND= or RNO= the record before the removed one
REM in the current key's order is current, whatever was current before, so
REM that READ goes on after the removed record; a record that stays current
REM after EXTRACT stays extracted.
10 OPEN (1)"*memory*;KEYDEF=[1:1:1],[1:2:1]"
20 FOR I=1 TO 6
30 WRITE (1)CHR(ASC("a")+I-1)+CHR(ASC("z")-I+1)
40 NEXT I
50 REMOVE (1,KEY="c")
60 READ (1)A$
70 PRINT "nothing read, REMOVE KEY=c, READ: ",A$
80 READ (1,KEY="a")A$
90 REMOVE (1,KEY="e")
100 READ (1)A$
110 PRINT "at a, REMOVE KEY=e, READ: ",A$
120 REMOVE (1,IND=0)
130 READ (1)A$
140 PRINT "REMOVE IND=0, READ: ",A$
150 REMOVE (1,KNO=1,RNO=2)
160 READ (1,KNO=1)A$
170 PRINT "REMOVE RNO=2 by key 1, READ: ",A$
180 EXTRACT (1,KNO=0,KEY="b")A$
190 REMOVE (1,KEY="f")
200 PRINT "b extracted, REMOVE KEY=f: extracted ",FIN(1,"EXTRACT"),", KEC ",KEC(1)
205 READ (1,KEY="b")A$
210 WRITE (1)"aa"
215 WRITE (1)"cc"
216 READ (1,KEY="a")A$
217 EXTRACT (1)A$
218 REMOVE (1,KEY="c")
220 PRINT "a then b extracted, REMOVE KEY=c: extracted ",FIN(1,"EXTRACT"),", KEC ",KEC(1)
230 CLOSE (1)
240 END
RUN
