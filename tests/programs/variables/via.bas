REM VIA name$=value: the variable that the string names takes the value,
REM assigned as LET assigns it.
N$="TOTAL"; VIA N$=5; PRINT TOTAL
REM A string value for a numeric name goes to the string variable.
VIA N$="abc"; PRINT TOTAL$,TOTAL
REM An integer variable truncates; names are case-blind; globals work.
M$="count%"; VIA M$=7.9; PRINT COUNT%
G$="%GV"; VIA G$=42; PRINT %GV
REM Several items; the name may come from an array element or a substring.
DIM K$[2]; K$[1]="A1"; K$[2]="B1$"; VIA K$[1]=1+2, K$[2]="two"; PRINT A1,B1$
L$="XYZQ"; VIA L$(1,2)=9; PRINT XY
REM A record variable takes the value into its fields.
DIM R$:"NAME:C(5),QTY:N(3)"; R$.NAME$="ab"
Q$="R$"; VIA Q$=R$; PRINT R$.NAME$,"|",R$.QTY
REM Wrong types and names that are no names are errors.
S$="NAME$"; VIA S$=5
VIA M$="a"
B$="1X"; VIA B$=1
B$=""; VIA B$=1
B$="A B"; VIA B$=1
REM Inside a program, lines list back as typed.
10 N$="PRICE"
20 VIA N$=12.5, N$="each"
30 PRINT PRICE,PRICE$
LIST
RUN
