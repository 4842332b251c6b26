REM Record layouts in the file dictionary of keyed files of both formats:
REM compiled lists written as dictionary items make the file's default list
REM (IOL=*), the header list of the head item's tenth field (IOL=*1), named
REM formats ("VAR" items, FIN FORMATS, IOL(ch:"name")) and the list behind
REM the head (IOL(ch:"/")); an item "!name" names the file's I/O program.
10 FOR F=1 TO 2
20 N$="lay"+STR(F); IF F=1 THEN KEYED N$,"[1:1:4]",0,60 ELSE KEYED N$,"[1:1:4]",0,60,OPT="1"
25 PRINT "format ",F
30 OPEN (1,IOL=1000)N$; L$=IOL(1)
40 OPEN (2,IOL=1010)N$; H$=IOL(2)
50 DICT WRITE (1)"head","","","","","","","","",H$
60 DICT WRITE (1,IND=1)"VAR"+CHR(0),"Customer"
70 DICT WRITE (1,IND=2)L$
80 DICT WRITE (1,IND=3)"VAR"+CHR(0),"KEYONLY"
90 DICT WRITE (1,IND=4)H$
100 DICT WRITE (1,IND=-1)H$
110 DICT WRITE (1,IND=-2)L$
120 CLOSE (1); CLOSE (2)
130 OPEN (1)N$; PRINT "formats: ",CVS(FIN(1,"FORMATS"),16)
140 PRINT "list lengths G 1 / customer keyonly: ",LEN(IOL(1:"G"))," ",LEN(IOL(1:"1"))," ",LEN(IOL(1:"/"))," ",LEN(IOL(1:"CUSTOMER"))," ",LEN(IOL(1:"keyonly"))
150 OPEN (3,IOL=*)N$
160 K$="0001"; NAME$="Smith & Co"; AMT=12.5; WRITE (3)
170 K$=""; NAME$=""; AMT=0; READ (3,KEY="0001"); PRINT "IOL=* reads back: ",K$," ",NAME$," ",AMT
180 OPEN (4,IOL=*1)N$; K$=""; NAME$="untouched"; READ (4,KEY="0001"); PRINT "IOL=*1 reads ",K$," ",NAME$
190 READ (1,KEY="0001",IOL=IOL(1:"Customer")); PRINT "the named format: ",NAME$
200 IOL$=IOL(1:"nosuch",ERR=210)
210 PRINT "no such format: error ",ERR
220 CLOSE (1); CLOSE (3); CLOSE (4)
230 NEXT F
240 STOP
1000 IOLIST K$,NAME$,AMT
1010 IOLIST K$
RUN
REM A file without lists: IOL=* is error 84; a format item without a name
REM is error 81 at OPEN; items that only look like lists stay free items.
DELETE
10 KEYED "bare","[1:1:4]",0,60,OPT="1"
20 OPEN (1,IOL=*,ERR=30)"bare"
30 PRINT "IOL=* of a file without lists: error ",ERR
40 OPEN (1)"bare"; DICT WRITE (1)"head"; DICT WRITE (1,IND=1)"ab"+CHR(185)+"junk"; CLOSE (1)
50 OPEN (1)"bare"; PRINT "formats of a file with a free item: [",FIN(1,"FORMATS"),"]"
55 X$=IOL(1:"G",ERR=58)
58 PRINT "IOL(ch:""G"") of that file: error ",ERR
60 DICT WRITE (1,IND=2)"VAR"+CHR(0),""; CLOSE (1)
70 OPEN (1,ERR=80)"bare"; PRINT "opened?"
80 PRINT "a format without a name: error ",ERR
RUN
REM The I/O program of a file: a dictionary item "!" followed by its name.
DELETE
10 PRE_WRITE: ENTER P,K$,N,R$,O,K2
20 PRINT "the file's I/O program sees a WRITE"
30 EXIT
SAVE "evp"
DELETE
10 KEYED "ev","[1:1:4]",0,60
20 OPEN (1)"ev"; DICT WRITE (1)"h"; DICT WRITE (1,IND=1)"!evp"; CLOSE (1)
30 OPEN (1)"ev"; WRITE (1)"0001","x"; PRINT "written"; CLOSE (1)
RUN
