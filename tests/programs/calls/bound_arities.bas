REM Bound calls of one to six arguments, and seven (the long way): every
REM argument's value goes in and comes back; an argument that cannot be
REM bound (an expression, a string for a number, an integer) in any place
REM sends the call the long way, with the same result.
DELETE
10 ENTER A
20 A=A+1; EXIT
SAVE "ar1"
DELETE
10 ENTER A,B$
20 A=A+1; B$=B$+"b"; EXIT
SAVE "ar2"
DELETE
10 ENTER A,B$,C
20 A=A+1; B$=B$+"b"; C=C+3; EXIT
SAVE "ar3"
DELETE
10 ENTER A,B$,C,D$
20 A=A+1; B$=B$+"b"; C=C+3; D$="d"+D$; EXIT
SAVE "ar4"
DELETE
10 ENTER A,B$,C,D$,E
20 A=A+1; B$=B$+"b"; C=C+3; D$="d"+D$; E=E*2; EXIT
SAVE "ar5"
DELETE
10 ENTER A,B$,C,D$,E,F$
20 A=A+1; B$=B$+"b"; C=C+3; D$="d"+D$; E=E*2; F$=F$+"f"; EXIT
SAVE "ar6"
DELETE
10 ENTER A,B$,C,D$,E,F$,G
20 A=A+1; B$=B$+"b"; C=C+3; D$="d"+D$; E=E*2; F$=F$+"f"; G=G-1; EXIT
SAVE "ar7"
DELETE
10 ADDR "ar1"; ADDR "ar2"; ADDR "ar3"; ADDR "ar4"; ADDR "ar5"; ADDR "ar6"; ADDR "ar7"
20 GOSUB 900
30 FOR I=1 TO 2
40 CALL "ar1",P; CALL "ar2",P,Q$; CALL "ar3",P,Q$,R; CALL "ar4",P,Q$,R,S$
50 CALL "ar5",P,Q$,R,S$,T; CALL "ar6",P,Q$,R,S$,T,U$; CALL "ar7",P,Q$,R,S$,T,U$,V
60 GOSUB 800
70 NEXT I
100 REM an expression in each place of six
110 CALL "ar6",P+0,Q$,R,S$,T,U$; GOSUB 800
120 CALL "ar6",P,Q$+"",R,S$,T,U$; GOSUB 800
130 CALL "ar6",P,Q$,R+0,S$,T,U$; GOSUB 800
140 CALL "ar6",P,Q$,R,S$+"",T,U$; GOSUB 800
150 CALL "ar6",P,Q$,R,S$,T+0,U$; GOSUB 800
160 CALL "ar6",P,Q$,R,S$,T,U$+""; GOSUB 800
170 CALL "ar6",P,Q$,R,S$,T,U$; GOSUB 800
200 REM an integer in a middle or the last place
210 K%=5; CALL "ar4",P,Q$,K%,S$; PRINT "K%=",K%; GOSUB 800
220 CALL "ar5",P,Q$,R,S$,K%; PRINT "K%=",K%; GOSUB 800
230 CALL "ar3",P,Q$,R; GOSUB 800
300 REM a wrong type in the fourth and in the sixth place
310 CALL "ar4",P,Q$,R,T,ERR=320; PRINT "no error"
320 PRINT "fourth: ERR=",ERR
330 CALL "ar6",P,Q$,R,S$,T,T,ERR=340; PRINT "no error"
340 PRINT "sixth: ERR=",ERR
350 CALL "ar6",P,Q$,R,S$,T,U$; GOSUB 800
400 DROP "ar1"; DROP "ar2"; DROP "ar3"; DROP "ar4"; DROP "ar5"; DROP "ar6"; DROP "ar7"
410 END
800 PRINT P," ",Q$," ",R," ",S$," ",T," ",U$," ",V; RETURN
900 P=0; Q$=""; R=0; S$=""; T=1; U$=""; V=100; RETURN
RUN
ERASE "ar1"
ERASE "ar2"
ERASE "ar3"
ERASE "ar4"
ERASE "ar5"
ERASE "ar6"
ERASE "ar7"
