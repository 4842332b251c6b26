REM SAVE DATA writes every scalar variable; LOAD DATA makes them visible,
REM winning over the program's own; DROP DATA gives the own ones back.
A=1.5; B$="hello"; C=-123456.75; D% = 7; DIM Z[3]
SAVE DATA "vars1"
CLEAR
A=99; B$="own"
LOAD DATA "vars1"
PRINT A,B$,C,D%
A=2
PRINT A
DROP DATA "vars1"
PRINT A,B$
REM Only the listed variables, in list order.
X=10; Y$="yy"
SAVE DATA "vars2",Y$,X
CLEAR
LOAD DATA "vars2"
PRINT X,Y$,A
REM Loading a set already loaded finds it again; DROP of a name not loaded is 17.
LOAD DATA "vars2"
DROP DATA "vars2"
DROP DATA "vars2"
PRINT X
REM A mantissa too long for 48 bits loses decimal places until it fits.
PRECISION 6
BIG=123456789012.345678
SAVE DATA "vars3",BIG
CLEAR
LOAD DATA "vars3"
PRINT BIG-123456789012
PRECISION 2
DROP DATA "vars3"
REM A value over 32767 bytes is refused.
L$=DIM(40000,"x")
SAVE DATA "vars4",L$
PRINT ERR
REM Over 65,408 bytes of data: the length is read from the second field.
CLEAR
A$=DIM(32000,"a"); B$=DIM(32000,"b"); C$=DIM(32000,"c")
SAVE DATA "vars5"
CLEAR
LOAD DATA "vars5"
PRINT LEN(A$),LEN(B$),LEN(C$),C$(32000)
DROP DATA "vars5"
REM A file of another kind, a missing file, an empty name.
CLEAR
SERIAL "notvdf"
LOAD DATA "notvdf"
SAVE DATA "notvdf"
LOAD DATA "missing"
LOAD DATA ""
REM Data sets of a called program go when it returns.
DELETE
10 LOAD DATA "vars1"
20 PRINT "in call:",B$
30 EXIT
SAVE "caller1"
DELETE
CLEAR
B$="mine"
CALL "caller1"
PRINT B$
REM The same file loaded twice: each DROP DATA takes back one LOAD DATA.
LOAD DATA "vars1"
LOAD DATA "vars1"
DROP DATA "vars1"
PRINT B$
DROP DATA "vars1"
PRINT B$
DROP DATA "vars1"
