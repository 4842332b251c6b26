REM A number a template field cannot hold is error 41 at the assignment,
REM and the field and the record keep what they held.
DIM R$:"K:C(2),AMT:N(10)"; R$.K$="A1"; R$.AMT=5
R$.AMT=12345678901
PRINT ERR," ",R$.AMT," [",R$,"]"
R$.AMT=1234567890; PRINT R$
R$.AMT=-123456789; PRINT R$
R$.AMT=-1234567890
PRINT R$
DIM A$:"Q:N(6)"
A$.Q=12345.67
PRINT "[",A$,"]"
A$.Q=1234.5; PRINT A$
DIM B$:"A:I(1),B:C(2)"; B$.A=127; B$.B$="xy"
B$.A=300
PRINT B$.A," ",HTA(B$)
B$.A=-129
B$.A=-128; PRINT HTA(B$)
X$=B$; PRINT X$=B$
DIM U$:"A:U(1)"; U$.A=255; PRINT HTA(U$)
U$.A=-1
U$.A=256
PRINT U$.A
DIM N$:"A:N(3)"; N$.A=999; N$.A=1000
PRINT N$
N$.A=999; N$.A+=1
PRINT N$.A
DIM F$:"A:X"; F$.A=1
F$.A=1E39
PRINT F$.A," ",HTA(F$)
REM a "*" filler takes its width with its fill bytes
DIM S$:"A:C(2),*:C(3),B:C(2)"; S$.A$="ab"; S$.B$="cd"; PRINT LEN(S$),"[",S$,"]"
DIM S$:"*:C(1)"; PRINT LEN(S$)
DIM S$:"*:N(2),*:I(2),A:C(1)"; S$.A$="z"; PRINT HTA(S$)
DIM S$:"A:C(2),*:C(3),B:C(2)"; S$="1234567"; PRINT S$.A$,S$.B$
REM an empty template text removes the template and its fields
DIM T$:"A:C(2)"; T$.A$="zz"; E$=""; DIM T$:E$; PRINT "[",T$,"]"
PRINT T$.A$
T$.A$="q"
DIM T$:"A:C(3)"; PRINT "[",T$.A$,"]"
REM in a program, ERR= takes the error and the field is unchanged
10 DIM B$:"A:I(2)"; B$.A=7; SETERR 30
20 B$.A=40000
30 PRINT "after:",ERR,B$.A," ",HTA(B$)
RUN
