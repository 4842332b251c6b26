10 F$="customers.work"; INVOKE "cp customers.key "+F$
20 OPEN (1)F$
30 WRITE (1)"C0003","Zurich","Weber"
40 WRITE (1)"C0001","Bern","Meier"
50 WRITE (1)"C0004","Aarau","Huber"
60 WRITE (1)"C0002","Zurich","Keller"
70 READ (1,KEY="C0002")ID$,CITY$,NAME$
80 PRINT ID$," ",CITY$," ",NAME$
90 READ (1)ID$,CITY$,NAME$
100 PRINT "next: ",ID$," ",NAME$
110 PRINT "first and last: ",KEF(1)," ",KEL(1)
120 READ (1,KEY="C0000",DOM=130)ID$
130 PRINT "after a missing key comes ",KEY(1)
140 READ (1,KNO=1,KEY="",DOM=150)
150 READ (1,END=180)ID$,CITY$,NAME$
160 PRINT CITY$," ",NAME$
170 GOTO 150
180 PRINT "end of the city order"
190 EXTRACT (1,KNO=0,KEY="C0004")ID$,CITY$,NAME$
200 WRITE (1)ID$,"Basel",NAME$
210 READ (1,KNO=1,KEY="Basel",DOM=220)ID$,CITY$
220 PRINT "moved to ",CITY$,": ",ID$
230 REMOVE (1,KEY="C0001")
240 READ (1,KNO=0,KEY="C0001",DOM=260)ID$
250 PRINT "still there"
260 PRINT "C0001 removed"
270 INSERT (1,ERR=290)"C0002","Chur","Brunner"
280 PRINT "inserted twice"
290 PRINT "duplicate refused, error ",ERR
300 UPDATE (1,DOM=320)"C0009","Chur","Brunner"
310 PRINT "updated a missing record"
320 PRINT "update of a missing record refused"
330 CLOSE (1)
340 ERASE F$; PRINT "done"
RUN
