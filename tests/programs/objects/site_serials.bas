REM Property sites keep the object's serial: a handle reused after DROP, an
REM instance dropped or cleared, another object dropped, a new object of the
REM same class or of another class at one assignment site.  Each site is one
REM statement run again and again; what it reads must be the object's own.
10 GOSUB 1000
20 REM a handle reused after DROP: read and assigned at the same sites
30 FOR R=1 TO 3; H=NEW("P"); IF R=2 THEN H'A=5
40 X=H'A; H'A=H'A+10; H'B=H'A; PRINT R,X,H'A,H'B; DROP OBJECT H; NEXT R
50 REM dropping another object leaves a filled site right
60 H=NEW("P"); H'A=1; K=NEW("P"); K'A=2
70 FOR R=1 TO 3; H'B=H'A+R; PRINT H'B,K; IF R=2 THEN DROP OBJECT K
80 NEXT R
90 REM the same object with its instance dropped, then cleared inside it
100 FOR R=1 TO 3; H'A=H'A+1; PRINT "dropped:",H'A; IF R=2 THEN DROP PROPERTY A,H
110 NEXT R
120 H'A=7; Y=H'CLR(); FOR R=1 TO 2; H'A=H'A+1; PRINT "cleared:",H'A; NEXT R
130 REM new objects of one class at one site, then of two classes in turn
140 FOR R=1 TO 3; O=NEW("P"); O'A=R; O'B=R*2; PRINT O'A+O'B; DROP OBJECT O; NEXT R
150 FOR R=1 TO 4; IF MOD(R,2) THEN O=NEW("P") ELSE O=NEW("Q")
160 O'B=R; PRINT "two classes:",O'B; DROP OBJECT O; NEXT R
170 REM values of the short path and of the general one at the same statement
180 H'A=2.5; FOR R=1 TO 3; H'B=H'A+R; H'C=H'A-1; H'D=H'A; PRINT H'B,H'C,H'D; NEXT R
190 FOR R=1 TO 2; H'B=H'A*2; H'C=R-H'A; PRINT H'B,H'C; NEXT R
200 PRECISION 1; H'A=0.25; FOR R=1 TO 2; H'B=H'A+0.01; PRINT H'B; NEXT R; PRECISION 9
210 SETERR 230; FOR R=1 TO 2; H'B=H'S$; NEXT R
220 PRINT "no error"
230 PRINT "string to number:",ERR; SETERR 0
240 REM a run-time property on new objects at a site filled for a declared one
250 FOR R=1 TO 4; IF MOD(R,2) THEN O=NEW("P") ELSE O=NEW("RT"); Y=O'MK()
260 O'A=R; PRINT "run-time:",O'A; DROP OBJECT O; NEXT R
262 REM one NEW site: the class named changes, the class is defined anew
264 FOR R=1 TO 4; IF R<3 THEN C$="P" ELSE C$="Q"
266 IF R=4 THEN DROP CLASS "Q"; GOSUB 3000
268 O=NEW(C$); PRINT "new:",O'_CLASS$,O'*; DROP OBJECT O; NEXT R
270 END
1000 DEF CLASS "P"
1010 PROPERTY A,B,C,D,S$
1020 FUNCTION CLR()
1030 CLEAR
1040 RETURN 0
1050 FUNCTION END
1060 END DEF
1070 DEF CLASS "Q"
1080 PROPERTY B SET QSET
1090 END DEF
1100 DEF CLASS "RT"
1110 FUNCTION MK()
1120 ADD PROPERTY A=0
1130 RETURN 0
1140 FUNCTION END
1150 END DEF
1160 RETURN
2000 QSET:
2010 ENTER V
2020 PRINT "set",V
2030 B=V*100
2040 EXIT
3000 DEF CLASS "Q"
3010 PROPERTY E,F$
3020 END DEF
3030 RETURN
SAVE "siteser"
RUN
