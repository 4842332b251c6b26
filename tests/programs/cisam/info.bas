REM File information of a C-ISAM channel: FIB(, FID( (FF 0), the record
REM count, the key size, the record limit and the key definition.
10 OPEN (1)"stock.idx"; N=0
20 READ RECORD (1,END=30)R$; N=N+1; GOTO 20
30 PRINT "records read:",N," NUMREC:",FIN(1,"NUMREC")," RECORDS_USED:",FIN(1,"RECORDS_USED")
40 X$=FIB(1); PRINT LEN(X$)," ",DEC($00$+X$(1,3))," ",DEC($00$+X$(4,2))," ",X$(10,1)
50 PRINT FID(1)=X$,FIN(1)=X$
60 PRINT "KEY_SIZE:",FIN(1,"KEY_SIZE")," KSZ:",FIN(1,"KSZ")," MAXREC:",FIN(1,"MAXREC")," RECORDS_ALLOWED:",FIN(1,"RECORDS_ALLOWED")
70 PRINT HTA(FIN(1,"KEY_DEFINITION"))
80 READ RECORD (1,KNO=1,KEY="",DOM=90)R$
90 PRINT "key 1 size:",FIN(1,"KSZ")
100 CLOSE (1)
RUN
