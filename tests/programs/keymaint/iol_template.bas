REM IOL(RECORD ch): the record template kept with a channel is the named
REM format its list came from: IOL="name" on OPEN, or IOL=* of a file whose
REM dictionary holds named formats (its first).  SDEV IOLIST gives the
REM channel a list of its own and so no template; a statement's IOL="name"
REM leaves the channel's as it is.
10 KEYED "tpl","[1:1:4]",0,60
20 OPEN (1,IOL=1000)"tpl"; L$=IOL(1); OPEN (2,IOL=1010)"tpl"; H$=IOL(2)
30 DICT WRITE (1)"head"
40 DICT WRITE (1,IND=1)"VAR"+CHR(0),"Customer"
50 DICT WRITE (1,IND=2)L$
60 DICT WRITE (1,IND=3)"VAR"+CHR(0),"KeyOnly"
70 DICT WRITE (1,IND=4)H$
80 CLOSE (1); CLOSE (2)
90 OPEN (1)"tpl"; PRINT "no list taken: [",IOL(RECORD 1),"]"
100 OPEN (2,IOL="keyonly")"tpl"; PRINT "IOL=""keyonly"": [",IOL(RECORD 2),"]"
110 OPEN (3,IOL=*)"tpl"; PRINT "IOL=*: [",IOL(RECORD 3),"]"
120 K$="0001"; NAME$="Smith"; AMT=5; WRITE (3); K$=""; NAME$=""; READ (2,KEY="0001"); PRINT "read through the template: ",K$,"[",NAME$,"]"
130 READ (1,KEY="0001",IOL="Customer"); PRINT "a statement's IOL=""name"": [",IOL(RECORD 1),"] ",NAME$
140 SDEV (3)IOLIST 1010
150 PRINT "after SDEV IOLIST: [",IOL(RECORD 3),"]"
160 OPEN (4,IOL="nosuch",ERR=170)"tpl"
170 PRINT "no such format: error ",ERR; X$=FIN(4,"NAME",ERR=175); PRINT "channel 4 is open?"
175 PRINT "channel 4 after the failed OPEN: error ",ERR
180 CLOSE (3); CLOSE (2); OPEN (3,IOL="CUSTOMER")"tpl"; PRINT "the name as the file spells it: ",IOL(RECORD 3)
185 CLOSE (3); OPEN (3)"tpl"; SDEV (3)IOLIST 1000; PRINT "SDEV IOLIST on a channel without one: [",IOL(RECORD 3),"]"
190 END
1000 IOLIST K$,NAME$,AMT
1010 IOLIST K$
RUN
