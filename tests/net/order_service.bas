10 REM A small order service.  Clients connect to the server channel and
20 REM send orders as records: "ORDER", customer, item, quantity.  Each order
30 REM is filed in the keyed file "orders" under the next order number, and
40 REM that number goes back to the client that sent it.  "QUIT" ends it.
50 KEYED "orders","[1:1:8]",0,-2000
60 OPEN (2)"orders"
70 OPEN (1)"[tcp];0"
80 PRINT "port=",KEF(1)
90 LET N=0,CLIENTS=0,LEFT=0
100 READ (1,SIZ=200,END=200,TIM=60,ERR=300)T$,C$,I$,Q$
110 IF T$="" THEN LET CLIENTS=CLIENTS+1; GOTO 100
120 IF T$="QUIT" THEN GOTO 400
130 IF (T$<>"ORDER") OR (C$="") OR (NUM(Q$,ERR=250)<1) THEN GOTO 250
140 LET N=N+1,K$=STR(N:"00000000")
150 WRITE (2)K$,C$,I$,Q$,STR(IND(1))
160 WRITE (1)K$
170 GOTO 100
200 LET LEFT=LEFT+1; GOTO 100
250 WRITE (1)"REFUSED"; GOTO 100
300 PRINT "stopped by error ",ERR
400 CLOSE (1)
410 LET T=0,R=0
420 READ (2,KEY="",DOM=430)
430 READ (2,END=450)K$,C$,I$,Q$; LET T=T+NUM(Q$),R=R+1; PRINT "rec=",K$,"|",C$,"|",I$,"|",Q$; GOTO 430
450 PRINT "orders=",N," records=",R," total=",T," clients=",CLIENTS," left=",LEFT
460 CLOSE (2)
