10 REM A command channel lists tables (KEY="?") and columns (KEY="" and KEY="*table") with the columns of the ODBC catalog calls;
15 REM KEN( is the last statement the program ran (with DEBUG= the tag, the program and the line), none right after OPEN
20 OPEN (9)"[mysql]orutest"; WRITE (9)"DROP TABLE IF EXISTS c_one"; WRITE (9)"DROP TABLE IF EXISTS c_two"
30 WRITE (9)"CREATE TABLE c_one (id INT PRIMARY KEY, name VARCHAR(12) COMMENT 'who', amt DECIMAL(9,2) NOT NULL) COMMENT 'first'"
40 WRITE (9)"CREATE TABLE c_two (k CHAR(3))"
50 READ (9,KEY="?c_")CAT$,SCH$,T$,TY$,CM$; PRINT "table: ",CAT$,"|",SCH$,"|",T$,"|",TY$,"|",CM$
60 READ (9)CAT$,SCH$,T$,TY$,CM$; PRINT "table: ",T$,"|",TY$,"|",CM$,"|"
70 READ (9,END=80)X$; PRINT "more tables?"
80 READ (9,KEY="?c_t")CAT$,SCH$,T$; PRINT "pattern c_t: ",T$
90 READ (9,KEY="*c_one")CAT$,SCH$,T$,C$,Z$,DT$,S1$,S2$,SC$,RX$,NL$,CM$,DF$,ONE$,E$,OC$,POS$,ISN$
100 PRINT T$,"|",C$,"|",Z$,"|",DT$,"|",S1$,"|",S2$,"|",SC$,"|",RX$,"|",NL$,"|",CM$,"|",ONE$,"|",E$,"|",POS$,"|",ISN$
110 READ (9)CAT$,SCH$,T$,C$,Z$,DT$,S1$,S2$,SC$,RX$,NL$,CM$,DF$,ONE$,E$,OC$,POS$,ISN$
120 PRINT T$,"|",C$,"|",DT$,"|",S1$,"|",RX$,"|",NL$,"|",CM$,"|",OC$,"|",POS$,"|",ISN$
130 READ (9)CAT$,SCH$,T$,C$,Z$,DT$,S1$,S2$,SC$,RX$,NL$; PRINT T$,"|",C$,"|",DT$,"|",S1$,"|",SC$,"|",NL$
140 READ (9,KEY="")CAT$,SCH$,T$,C$; LET N=0
142 IF T$="c_one" THEN LET N=N+1,L$=L$+C$+" "
144 READ (9,END=146)CAT$,SCH$,T$,C$; GOTO 142
146 PRINT "every table's columns, those of c_one: ",N," ",L$
150 READ (9,KEY="*c_one*x",ERR=*NEXT)X$; PRINT "a second '*': error ",ERR
160 OPEN (1)"[mysql]orutest;c_one;KEY=id;DEBUG=-- dbg"
170 PRINT "KEN( after OPEN: error ",; LET K$=KEN(1,ERR=*NEXT); PRINT ERR
180 WRITE (1)7,"seven",1.5; READ (1,KEY=7)I
190 LET K$=KEN(1); PRINT "KEN( ends with: ",K$(POS(" -- dbg"=K$))
200 CLOSE (1)
210 WRITE (9)"DROP TABLE c_one"; WRITE (9)"DROP TABLE c_two"
220 END
RUN
