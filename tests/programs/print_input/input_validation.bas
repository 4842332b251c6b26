REM A validation list after ":[" checks an INPUT answer: "value":line items
REM send an answer equal to the value to the line (a string answer that
REM matches none is error 48, a number goes on), ">" min TO max bounds its
REM length, a number L its value (0 to L, or -L to L for a negative L, with
REM no more decimal places than L): error 26 outside.  A mask may come
REM first.  The list lists back as typed.
10 INPUT (0,ERR=500)"yes/no? ",A$:["YES":100,"NO":200]
20 PRINT "not here"
100 PRINT "yes branch ",A$
110 INPUT (0,ERR=510)"code? ",B$:[>2 TO 4]
120 PRINT "code ",B$
130 INPUT (0,ERR=520)"count? ",N:[10]
140 PRINT "count",N
150 INPUT (0,ERR=530)"delta? ",M:[-5.5]
160 PRINT "delta",M
170 INPUT (0,ERR=540)"menu? ",Q:["Q":300,9]
180 PRINT "menu",Q
190 INPUT (0)"quit? ",Q$:"XXXX":["Q":300]
200 PRINT "no branch"
210 END
300 PRINT "quit branch"
310 END
500 PRINT "error",ERR," A$=",A$; GOTO 10
510 PRINT "error",ERR; GOTO 110
520 PRINT "error",ERR," N=",N; GOTO 130
530 PRINT "error",ERR; GOTO 150
540 PRINT "error",ERR; GOTO 170
LIST 10,10
LIST 110,190
RUN
MAYBE
YES
a
abcde
abc
11
3.5
7
-5.55
-5.2
x
4
Q
REM Only a variable takes a validation list; an INPUT item that begins with a
REM variable is that variable alone (a prompt that is no variable is printed).
DELETE
10 INPUT "p":[5]
20 INPUT A$+"x",B$
30 INPUT "ok",B$:[>1]
LIST
