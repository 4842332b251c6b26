10 REM FIB( and FIN( of keyed files; files in a directory of this run's own
20 D$="info.dir"; INVOKE "mkdir "+D$; CWD D$
30 KEYED "a.key","[1:1:4],[2:1:4:D]",100,40
40 KEYED "b.key","[1:1:4]",0,-200,SIZ=4,OPT="CU",SEP=","
50 KEYED "c.key",8,0,40
60 OPEN (1)"a.key"; OPEN (2)"b.key"; OPEN (3)"c.key"
70 WRITE (1)"0001","x"; WRITE (1)"0002","y"; WRITE (2)"0001"
80 FOR I=1 TO 3
90 T$=FIN(I,"FILE_CREATE"); PRINT T$
100 PRINT "records ",FIN(I,"NUMREC")," of ",FIN(I,"MAXREC"),", key size ",FIN(I,"KSZ"),", extracted ",FIN(I,"EXTRACT")
110 F$=FIB(I); PRINT "FIB: ",DEC($00$+F$(1,3))," records, key size ",DEC(F$(4,2)),", keys ",ASC(F$(6,1))+1,", kind ",F$(10,1),F$(19,1),", record size ",DEC(F$(15,2))
120 D2$=FIN(I,"KEY_DEFINITION"); CLOSE (I)
130 REM the text makes the same file under another name
140 T$=T$(1,7)+"x"+T$(8); X=XEQ(T$)
150 OPEN (I)T$(8,6); PRINT "made again: ",T$(8,6)," same keys ",FIN(I,"KEY_DEFINITION")=D2$
160 CLOSE (I)
170 NEXT I
180 OPEN (1)"a.key"; EXTRACT (1,KEY="0002",KNO=0)A$
190 PRINT "extracted ",FIN(1,"EXTRACT")," current key ",FIN(1,"CURKNO")," highest ",FIN(1,"MAXKNO")
200 R$=KEF(1,KNO=1); PRINT "key 1 size ",FIN(1,"KEY_SIZE"),", current ",FIN(1,"CURKNO")
210 OPEN (2)"a.key"; WRITE (2)"0003","z"; PRINT "another channel added one: ",FIN(1,"NUMREC")
220 CLOSE (1); CLOSE (2)
230 CWD ".."; INVOKE "rm -r "+D$; PRINT "done"
RUN
