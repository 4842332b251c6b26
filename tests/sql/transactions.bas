10 REM A transaction spanning an SQL table and an EFF file: ROLLBACK undoes both (prepared INSERTs, UPDATEs and DELETEs alike), COMMIT keeps both, and auto-commit is on again after each
20 KEYED "t_eff",4,0,40,OPT="1"; OPEN (1)"t_eff"
30 OPEN (9)"[mysql]orutest"
40 WRITE (9)"DROP TABLE IF EXISTS x_txn"
50 WRITE (9)"CREATE TABLE x_txn (id CHAR(4) PRIMARY KEY, n INT)"
60 OPEN (2)"[mysql]orutest;x_txn;KEY=id"
70 OPEN (4)"[mysql]orutest;;UNIQUE"
80 WRITE (2)"S001",1; WRITE (2)"S009",9; WRITE (1,KEY="E001")"one"
90 SET_JOURNAL BEGIN
100 WRITE (2)"S002",2
110 EXTRACT (2,KEY="S001")A$,N; WRITE (2)A$,N*10
120 REMOVE (2,KEY="S009")
130 WRITE (1,KEY="E002")"two"
140 READ (2,KEY="S001")A$,N; PRINT "inside: S001 ",N,", rows ",FIN(2,"NUMREC"),", EFF ",FIN(1,"NUMREC")
150 GOSUB 550
160 SET_JOURNAL ROLLBACK
170 READ (2,KEY="S001")A$,N; PRINT "after ROLLBACK: S001 ",N,", rows ",FIN(2,"NUMREC"),", EFF ",FIN(1,"NUMREC")
180 READ (2,KEY="S009",DOM=*NEXT)A$; PRINT "S009 is back: ",A$
190 READ (2,KEY="S002",DOM=*NEXT)A$; PRINT "S002 is gone"
200 REM auto-commit again: what is written now is seen at once by another connection
210 WRITE (2)"S003",3
220 GOSUB 550
230 SET_JOURNAL BEGIN
240 WRITE (2)"S004",4; WRITE (1,KEY="E004")"four"
250 EXTRACT (2,KEY="S003")A$,N; WRITE (2)A$,N+30
260 SET_JOURNAL COMMIT
270 READ (2,KEY="S003")A$,N; READ (1,KEY="E004")E$; PRINT "after COMMIT: S003 ",N,", rows ",FIN(2,"NUMREC"),", EFF ",E$
280 GOSUB 550
290 WRITE (2)"S005",5
300 GOSUB 550
310 CLOSE (2); CLOSE (4)
320 REM five channels sharing one connection: one commit reaches it per pass, as for a single channel
330 OPEN (5)"[mysql]orutest;;SHARED"; OPEN (2)"[mysql]orutest;x_txn;SHARED;KEY=id"
340 SET_JOURNAL BEGIN; WRITE (2)"S100",1; GOSUB 600; SET_JOURNAL COMMIT; GOSUB 600; LET ONE=C1-C0
350 FOR I=10 TO 13; OPEN (I)"[mysql]orutest;x_txn;SHARED;KEY=id"; NEXT I
360 SET_JOURNAL BEGIN; FOR I=10 TO 13; WRITE (I)"S"+STR(I),I; NEXT I; GOSUB 600; SET_JOURNAL COMMIT; GOSUB 600
370 PRINT "commits for one channel: ",ONE,", for five sharing it: ",C1-C0
380 FOR I=10 TO 13; CLOSE (I); NEXT I; CLOSE (2)
400 REM the connection is killed inside a transaction: ROLLBACK reports the failure and still rolls back the EFF file
410 OPEN (2)"[mysql]orutest;x_txn;SHARED;KEY=id"; OPEN (4)"[mysql]orutest;;UNIQUE"
420 SET_JOURNAL BEGIN; WRITE (1,KEY="E900")"gone"; WRITE (2)"S900",9
430 READ (5,KEY="SELECT CONNECTION_ID()")K$
440 WRITE (4)"KILL "+K$
450 SET_JOURNAL ROLLBACK,ERR=460; PRINT "ROLLBACK reported nothing"; GOTO 470
460 M$=MSG(-1); PRINT "ROLLBACK: error ",ERR," ",M$(1,11)
470 LET E$="none"; READ (1,KEY="E900",DOM=*NEXT)E$; PRINT "EFF record of the transaction: ",E$
480 READ (4,KEY="SELECT COUNT(*) FROM x_txn WHERE id='S900'")N$; PRINT "SQL row of the transaction: ",N$
490 CLOSE (2); CLOSE (4); CLOSE (5)
500 WRITE (9)"DROP TABLE x_txn"
510 END
600 LET C0=C1; READ (5,KEY="SHOW SESSION STATUS LIKE 'Com_commit'")N$,C$; LET C1=NUM(C$); RETURN
550 READ (4,KEY="SELECT COUNT(*), COALESCE(SUM(n),0) FROM x_txn")C$,S$; PRINT "  another connection sees ",C$," rows, sum ",S$; RETURN
RUN
