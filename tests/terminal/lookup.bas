10 REM Customer lookup: a search window, the matches from a keyed file in a
20 REM list box, the chosen customer's details in a window over the list
30 KEYED "customers","[1:1:12]",0,80
40 OPEN (1)"customers"
50 WRITE (1)"ADAMS","Zurich","044 111 22 33","1250.00"
60 WRITE (1)"ALLEN","Basel","061 222 33 44","80.50"
70 WRITE (1)"ANDERSON","Bern","031 333 44 55","0.00"
80 WRITE (1)"ARNOLD","Chur","081 444 55 66","310.25"
90 WRITE (1)"BAKER","Aarau","062 555 66 77","42.00"
100 WRITE (1)"BROWN","Thun","033 666 77 88","999.99"
110 WRITE (1)"CLARK","Zug","041 777 88 99","12.10"
200 PRINT 'B4','F7','DF','CS','BR',"  ACME customer lookup",'CL','ER',
210 PRINT @(0,23),"Type the first letters of a name, then pick a customer",
220 PRINT 'F6',WDW(2,2,40,4,1,"Search"),'CS',"Name begins with: ",'F7',
230 INPUT @(18,0),P$
240 M$=""; N=0
250 READ (1,KEY=P$,DOM=260)
260 READ (1,END=300)NAME$,CITY$,PHONE$,BAL$
270 IF NAME$(1,LEN(P$))<>P$ THEN GOTO 300
280 M$=M$+NAME$+","; N=N+1; GOTO 260
300 PRINT 'F6',WDW(2,7,40,10,2,STR(N)+" matches"),'F7','CS',
310 LIST_BOX 201,0,0,38,8
320 LIST_BOX 201,LOAD,M$
330 LIST_BOX 201,GOTO
340 INPUT X$
350 LIST_BOX 201,READ,C$
360 READ (1,KEY=C$)NAME$,CITY$,PHONE$,BAL$
370 PRINT 'B6','F0',WDW(24,10,34,8,3,"Detail"),'CS',"Name:    ",NAME$,'LF',"City:    ",CITY$,'LF',"Phone:   ",PHONE$,'LF',"Balance: ",BAL$
380 INPUT 'LF',"Enter: back",X$
390 PRINT DRP(3),'B4','F7',
400 LIST_BOX 201,GOTO
410 INPUT X$
420 LIST_BOX 201,READ,C$
430 PRINT DRP(2),DRP(1),@(0,20),"Last customer seen: ",C$,
440 CLOSE (1)
450 END
