10 SETERR 1000
20 ERASE "er.txt",ERR=30
30 SERIAL "er.txt"
40 OPEN LOCK (3)"er.txt"
50 WRITE (3)"one"
60 CLOSE (3); OPEN (3)"er.txt"
70 READ (3)A$
80 READ (3)A$
90 PRINT "not reached"
1000 PRINT "error",ERR,ERR("Stno")
1010 PRINT "Lfa",ERR("Lfa"),"Lfo",ERR("Lfo")
1020 P$=ERR("LastPath"); PRINT "LastPath ends er.txt:",P$(LEN(P$)-5)="er.txt"
1030 PRINT "Obj",ERR("Obj"),"Method [",ERR("Method"),"]","LastKey [",ERR("LastKey"),"]"
1040 SETERR OFF
1050 READ (3)A$
RUN
CLOSE (3)
ERASE "er.txt"
X=1
X=5; CALL "nothere"; X=6
PRINT ERR
PRINT X
X=5; CALL "nothere"; REM a remark may follow
PRINT ERR
DEF MSG(99)="text"
DEF MSG(99,"text"); PRINT MSG(99)
DEF MSG(99,DELETE)
DEF ARG(1)="x"
DEF LCS("")
DIM R$:"NAME:C(10),AMT:N(8*)"
R$.NAME$="ab"; R$.AMT=12.5; PRINT LEN(R$), "[", R$(1,14), "]", ASC(R$(15))
R$="cd        7.25"+$8A$; PRINT R$.NAME$, R$.AMT
DIM S$:"AMT:N(8*=44),Q:C(2)"
S$="1.5,zz"; PRINT S$.AMT, S$.Q$
DIM T$:"AMT:N(0*)"
