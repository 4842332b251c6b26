REM DEF OBJECT forms without a thin client: the name may be any string
REM expression (a function whose code's second byte looks like ELSE, MID(,
REM included), a position @(x,y,w,h) before it is read and passed over, a
REM control id 0 is error 95, another control id needs the client (99).
REM Other statements read as plain tokens take MID( whole too.
DEF OBJECT S,MID("*systemX",1,7); PRINT S>100000
DEF OBJECT T,@(100,200,3000,400),"*system",ERR=90; PRINT T>100000
C=0; DEF OBJECT C
C=101; DEF OBJECT C
DEF OBJECT C,@(1,2,3),"*system"
10 DEF OBJECT U,MID("*systemX",1,7),ERR=20; MESSAGE_LIB MID("nofile",1,2),ERR=30
20 PRINT "E20 ",ERR; END
30 PRINT "E30 ",ERR; END
LIST
RUN
