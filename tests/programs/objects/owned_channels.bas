REM Channels owned by objects: a channel opened while an object's code runs
REM is the object's; other code (the program, another object) finds it not
REM open (error 13), a range close passes it by, the object's own methods use
REM it, a method may close it, and it closes when the object goes.
10 DEF CLASS "LOG"
20 PROPERTY CH
30 FUNCTION OPENLOG(N,F$)
40 ENTER N,F$
50 CH=N; OPEN (CH)F$; LOCK (CH)
60 RETURN CH
70 FUNCTION END
80 FUNCTION LOGIT(T$)
90 ENTER T$
100 WRITE (CH)T$
110 RETURN 1
120 FUNCTION END
130 FUNCTION CLOSELOG()
140 CLOSE (CH)
150 RETURN 0
160 FUNCTION END
170 END DEF
200 SERIAL "log1"; SERIAL "log2"
210 L=NEW("LOG"); X=L'OPENLOG(5,"log1"); X=L'LOGIT("first"); X=L'LOGIT("second")
220 M=NEW("LOG"); X=M'OPENLOG(6,"log2"); X=M'LOGIT("other"); M'CH=5
230 SETERR 65002; X=M'LOGIT("intruder")
240 PRINT "another object's channel:",ERR; M'CH=6
250 WRITE (5,ERR=260)"from outside"; PRINT "written from outside"
260 PRINT "the program's:",ERR
270 CLOSE (1,9); PRINT "range close passes by:",L'LOGIT("third")
280 DROP OBJECT L
290 OPEN (5)"log1"
300 READ (5)A$; READ (5)B$; READ (5)C$; PRINT A$,B$,C$
310 CLOSE (5)
320 X=M'CLOSELOG(); OPEN (6)"log2"; READ (6)A$; PRINT "after CLOSELOG:",A$; CLOSE (6)
330 Y=NEW("LOG"); X=Y'OPENLOG(7,"log2"); X=NEW("LOG"); PRINT "second start:",X'OPENLOG(7,"log1")
340 PRINT "taken:",ERR
350 END
SAVE "own"
RUN
OPEN (7)"log1"
PRINT "after the run, the object's channel stays its own:",ERR
DROP OBJECT Y
OPEN (7)"log1"; PRINT "free again"; CLOSE (7)
