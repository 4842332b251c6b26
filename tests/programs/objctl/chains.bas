REM Property chains: H'A'B reads B of the object whose handle A holds, in
REM expressions, comparisons and as assignment targets, with a method call
REM at the end; a link may be a control id bound to an object or a text
REM holding a handle; a link holding 0, a control without an object (no
REM thin client) and a link that is no handle each give their error.  The
REM lines list back as they were typed.
10 DEF CLASS "NODE"
20 PROPERTY NXT,NAME$,LINK$
30 FUNCTION TWICE(X)=X*2
40 END DEF
50 A=NEW("NODE"); B=NEW("NODE"); C=NEW("NODE")
60 A'NXT=B; B'NXT=C; A'NAME$="a"; B'NAME$="b"; C'NAME$="c"
70 PRINT A'NXT'NAME$, A'NXT'NXT'NAME$, A'NXT'TWICE(21)
80 A'NXT'NXT'NAME$="changed"; PRINT C'NAME$
90 IF A'NXT'NAME$="b" THEN PRINT "compared"
100 A'NXT'NXT'NXT=A; PRINT C'NXT'NAME$, A'NXT'NXT'NXT'NXT'NAME$
110 A'LINK$=STR(C); PRINT A'LINK$'NAME$
120 DEFCTL OBJECT B,301
130 K=301; PRINT K'NAME$, K'NXT'NAME$; K'NXT'NAME$="via control"; PRINT C'NAME$
140 B'NXT=0
150 PRINT A'NXT'NXT'NAME$
160 PRINT ERR
170 K=302; PRINT K'NAME$
180 PRINT ERR
190 A'LINK$="x"; PRINT A'LINK$'NAME$
200 PRINT ERR
210 END
LIST 70,130
RUN
RUN 170
RUN 190
