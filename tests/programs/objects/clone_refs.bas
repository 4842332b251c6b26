REM A copy of an object (NEW(h)) takes a reference on every object its
REM OBJECT properties hold: the held object outlives the original and is
REM used through the copy; once everything is dropped no object is left.
REM A copy takes every property, however many the object has.
5 GOSUB 300
10 DEF CLASS "INNER"
20 PROPERTY V
30 END DEF
40 DEF CLASS "OUTER"
50 PROPERTY HELD OBJECT,N
60 END DEF
100 I=NEW("INNER"); I'V=7
110 O=NEW("OUTER"); O'HELD=I; O'N=1; I=0
120 PRINT "held by the original:",O'HELD'_REFCNT
130 C=NEW(O)
140 PRINT "held by both:",C'HELD'_REFCNT
150 DROP OBJECT O
160 PRINT "through the copy:",C'HELD'V,C'HELD'_REFCNT,C'N
170 C'HELD'V=8; PRINT C'HELD'V
180 DROP OBJECT C
190 PRINT "objects left:",LEN(OBJ(LIST))
200 H=NEW("MANY"); X=H'ADDN(300)
210 C=NEW(H); PRINT "copied:",C'Q1,C'Q257,C'Q300
220 DROP OBJECT H; DROP OBJECT C
230 END
300 DEF CLASS "MANY"
310 PROPERTY P
320 FUNCTION ADDN(N)
330 ENTER N
340 FOR K=1 TO N; EXECUTE "ADD PROPERTY Q"+STR(K)+"="+STR(K); NEXT K
350 RETURN 0
360 FUNCTION END
370 END DEF
380 RETURN
SAVE "clref"
RUN
