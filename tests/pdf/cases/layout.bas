REM print mnemonics, fonts, justification, rules, flowing text (a box lower than one line draws nothing and keeps the text pending) and bookmarks
10 DEF FNB$(B$,X,Y,X2,Y2,F$)=$1B$+"mx"+CHR(41)+BIN(13+LEN(B$)+LEN(F$),4)+BIN(X,2)+BIN(Y,2)+BIN(X2,2)+BIN(Y2,2)+BIN(LEN(B$),4)+B$+CHR(LEN(F$))+F$
20 OPEN (1,OPT="TITLE=Layout")"*pdf*FILE=layout.pdf"
30 PRINT (1)MOPT("BOOKMARK","Fixed pitch"),"Courier 12: ",MXC(1)," columns, ",MXL(1)," lines"
40 PRINT (1)'BB',"bold",'EB'," plain ",'BU',"underlined",'EU'," ",'CP',"condensed text here",'SP'," normal"
50 PRINT (1)'F1',"red",'F0'," black ",'SA','F4',"blue",'RA'," black again"
60 PRINT (1)'FF','L8',"eight lines an inch: ",MXL(1)," lines"
65 PRINT (1)"second line"
70 PRINT (1)'L6','FF',"+S on Courier:",'+S',"=====",'-S'
80 PRINT (1)FNT("Helvetica",-12,""),'DF',MOPT("BOOKMARK","Proportional"),"Helvetica: ",MXC(1)," columns"
90 PRINT (1)'JR',@(0),"12.50",@(10),"1,234.00",'JL'
100 PRINT (1)'JN',@(0),"7.5",@(10),"-42.25",'JS'
110 PRINT (1)'+S',"=====",'-S'
120 PRINT (1)MOPT("BOOKMARK","Proportional"+$09$+"Flowing text")
130 T$="The quick brown fox jumps over the lazy dog. "; T$=T$+T$+T$+T$+T$+T$
140 PRINT (1)FNT("Times",-12,""),FNB$(T$,0,200,320,232,"*TEXT")
150 PRINT "left:",FIN(1,"BYTESLEFT")
160 N=0; WHILE NUM(FIN(1,"BYTESLEFT"))>0; N=N+1; PRINT (1)FNB$("",0,240+N*40,320,272+N*40,"*MORE"); WEND
170 PRINT "more calls:",N,"left:",FIN(1,"BYTESLEFT")
180 PRINT (1,ERR=200)FNB$("",0,400,320,440,"*MORE")
190 STOP
200 PRINT "nothing more:",ERR
210 PRINT (1,ERR=230)FNB$(T$,0,400,320,404,"*TEXT")
220 PRINT "short box: no error, left:",FIN(1,"BYTESLEFT"); GOTO 232
230 PRINT "short box:",ERR,FIN(1,"BYTESLEFT")
232 PRINT (1)FNB$("",0,420,320,424,"*MORE")
234 PRINT "a second short box, left:",FIN(1,"BYTESLEFT")
240 PRINT (1)'FF',MOPT("BOOKMARK","Second page"),"page two"
250 CLOSE (1)
260 PRINT "done"
RUN
