REM A program method called in the middle of an I/O statement, again and
REM again (the calls after the first start from the kept context): whatever
REM the method does (nothing with channels, a channel function, I/O on
REM another channel, an error taken by ERR=, a method of another object
REM doing I/O, an object that closes its channel as it goes) the statement
REM goes on with its own channel, its options and the rest of its list.
10 GOSUB 1000
20 SERIAL "mio1"; SERIAL "mio2"; SERIAL "mio3"
30 OPEN (1)"mio1"; LOCK (1); OPEN (2)"mio2"; LOCK (2)
40 H=NEW("IO"); H'N=100; H'P=NEW("IO")
50 FOR R=1 TO 4; WRITE (1)"plain",H'PLAIN(R),"after"; NEXT R
60 FOR R=1 TO 4; WRITE (1)"function",H'FN(R),"after"; NEXT R
70 FOR R=1 TO 4; WRITE (1)"other",H'OTHER(R),"after"; NEXT R
80 FOR R=1 TO 4; WRITE (1)"error",H'ERRS(R),"after"; NEXT R
90 FOR R=1 TO 4; WRITE (1)"inner",H'OUTER(R),"after"; NEXT R
100 FOR R=1 TO 4; WRITE (1)"both",H'OTHER(R),H'PLAIN(R),H'OTHER(R+1),"after"; NEXT R
110 FOR R=1 TO 4; PRINT "console",H'OTHER(R),H'PLAIN(R),H'OTHER(R),"after"; NEXT R
120 FOR R=1 TO 4; PRINT (1)"to 1",H'OTHER(R),'LF',"after"; NEXT R
130 FOR R=1 TO 4; WRITE (1)"owned",H'OWNED(R),"after"; NEXT R
140 FOR R=1 TO 4; PRINT "errors",H'ERRS(R),H'FN(R),H'ERRS(R),"after"; NEXT R
150 X=H'OTHER(9); PRINT "then",X,H'PLAIN(9)
160 CLOSE (1); CLOSE (2)
170 OPEN (1)"mio1"
180 READ (1,END=200)A$,B,C$; PRINT A$," ",B," ",C$; GOTO 180
200 CLOSE (1); OPEN (2)"mio2"
210 READ (2,END=230)A$,B; PRINT A$," ",B; GOTO 210
230 CLOSE (2)
240 END
1000 DEF CLASS "IO"
1010 PROPERTY N,P
1020 FUNCTION PLAIN(X)
1030 ENTER X
1040 Z=X*2; RETURN Z+N
1050 FUNCTION END
1060 FUNCTION FN(X)
1070 ENTER X
1080 Z=LEN(FID(2)); RETURN X+Z
1090 FUNCTION END
1100 FUNCTION OTHER(X)
1110 ENTER X
1120 WRITE (2)"from method",X; RETURN X+10
1130 FUNCTION END
1140 FUNCTION OWNED(X)
1150 ENTER X
1160 O=NEW("IO"); Z=O'OPENIT(X); DROP OBJECT O; RETURN Z
1170 FUNCTION END
1180 FUNCTION OPENIT(X)
1190 ENTER X
1200 OPEN (7)"mio3"; RETURN X+IND(7)
1210 FUNCTION END
1220 FUNCTION ERRS(X)
1230 ENTER X
1240 READ (9,ERR=1250)A$
1250 RETURN X+ERR
1260 FUNCTION END
1270 FUNCTION OUTER(X)
1280 ENTER X
1290 Z=X+1; RETURN Z+P'OTHER(X)
1300 FUNCTION END
1340 END DEF
1350 RETURN
SAVE "mio"
RUN
