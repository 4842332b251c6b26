REM Every kind of statement the statement loop's switch dispatches, first on
REM a line and after ";": REM, IF with its block and ELSE, GOTO to a label,
REM GOSUB and RETURN, CALL and EXIT, a string assignment, "++", a label, an
REM object reference, a record field, a string literal alone (a host
REM command), a directive through the directive table, and a line that
REM failed to compile.
DELETE
10 ENTER A
20 A=A+1; EXIT
SAVE "skcall"
DELETE
10 DEF CLASS "SK"
20 PROPERTY V
30 END DEF
40 IOLIST CUST$,BAL
50 DIM R$:40; H=NEW("SK")
60 REM a remark line
70 X=1; REM a remark after ";"
80 X=X+1
90 IF X=2 THEN { PRINT "block"; X=X+1 } ELSE { PRINT "not here" }
100 IF X=4 THEN PRINT "not here" ELSE { PRINT "else block" }
110 GOTO THERE
120 PRINT "not here"
130 THERE: PRINT "label reached"; GOSUB 500; PRINT "back: X=",X
140 CALL "skcall",X; PRINT "called: X=",X; CALL "skcall",X
150 S$="ab"; S$=S$+"c"; T$=S$; PRINT S$," ",T$
160 ++X; PRINT "incremented: X=",X; X++
170 H'V=X; PRINT "property: ",H'V
180 R$.CUST$="acme"; R$.BAL=12.5; PRINT R$.CUST$," ",R$.BAL
190 "echo host command"
200 PRINT "after the host command"; "echo second"
210 X=((
220 PRINT "not reached"
230 END
500 X=X*10; RETURN
RUN
PRINT "X=",X
ERASE "skcall"
