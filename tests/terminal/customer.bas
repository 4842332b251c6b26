10 REM Customer entry: a menu, three validated fields and a status line
20 DIM NAMES$[5]
30 COUNT=0
40 SETCTL 4,900
100 PRINT 'CS','BR',@(0,0),"  ACME Customer Entry                                                          ",'ER',
110 PRINT @(2,2),"1  Add a customer",@(2,3),"2  List customers",@(2,4),"3  Quit"
120 GOSUB 800
130 PRINT @(2,6),"Choice: ",
140 INPUT @(10,6),CHOICE$:"0"
150 IF CHOICE$="1" THEN GOSUB 200; GOTO 130
160 IF CHOICE$="2" THEN GOSUB 400; GOTO 130
170 IF CHOICE$="3" THEN GOTO 950
180 MSG$="Choose 1, 2 or 3"; GOSUB 800; GOTO 130
200 PRINT @(0,8),'CE',@(2,8),"Name:",@(2,9),"Zip:",@(2,10),"Credit:",
210 INPUT @(11,8),NAME$
220 IF LEN(NAME$)<2 THEN MSG$="Name must have two letters or more"; GOSUB 800; GOTO 210
230 INPUT @(11,9),ZIP$:"00000"
240 INPUT @(11,10),CREDIT$
250 IF NUM(CREDIT$,ERR=260)>5000 THEN MSG$="Credit above 5000 needs approval"; GOSUB 800; GOTO 240
255 GOTO 270
260 MSG$="Credit must be a number"; GOSUB 800; GOTO 240
270 COUNT=COUNT+1; NAMES$[COUNT]=NAME$+" "+ZIP$
280 MSG$="Saved "+NAME$; GOSUB 800
290 RETURN
400 PRINT @(0,8),'CE',
410 FOR I=1 TO COUNT
420 PRINT @(4,8+I),STR(I),". ",NAMES$[I],
430 NEXT I
440 MSG$=STR(COUNT)+" customer(s)"; GOSUB 800
450 RETURN
800 PRINT @(0,23),'CL','BR'," ",MSG$,'ER',
810 MSG$=""
820 RETURN
900 MSG$="F4 pressed: back to the menu"; GOSUB 800; GOTO 130
950 PRINT @(0,21),"Bye",
960 END
RUN
