REM Fixed-size binary template fields: X single and F, D double floats, B
REM an 8-byte integer, Y an amount in ten-thousandths; "/" letters give the
REM byte order of binary fields (B big-endian, L little-endian, W words in
REM little-endian order, "/" alone the host's order).
PRECISION 4
DIM R$:"A:X,B:F,C:D,N:B,M:Y,L:I/L(2),W:U/W(4),Z:F/,NAME:C(4)"
R$.A=1.5; R$.B=-2.25; R$.C=0.1; R$.N=-5; R$.M=12.3456; R$.L=258; R$.W=65536*3+2; R$.Z=1; R$.NAME$="ab"
PRINT LEN(R$)
PRINT HTA(R$(1,4))," ",HTA(R$(5,8))," ",HTA(R$(13,8))
PRINT HTA(R$(21,8))," ",HTA(R$(29,8))," ",HTA(R$(37,2))," ",HTA(R$(39,4))," ",HTA(R$(43,8))
DIM T$:"A:X,B:F,C:D,N:B,M:Y,L:I/L(2),W:U/W(4),Z:F/,NAME:C(4)"; T$=R$
PRINT T$.A,T$.B,T$.C,T$.N,T$.M,T$.L,T$.W,T$.Z,"[",T$.NAME$,"]"
REM a single float reads back in its own shortest form
R$.A=0.1; T$=R$; PRINT T$.A
REM XFA( letters of the forms: C N I U F D B X Y
PRINT ASC(XFA(R$,"A")),ASC(XFA(R$,"B")),ASC(XFA(R$,"C")),ASC(XFA(R$,"N")),ASC(XFA(R$,"M")),ASC(XFA(R$,"L"))
X$=XFA(R$,"M"); PRINT "offset of M:",DEC($00$+X$(8,2))," length:",DEC($00$+X$(10,2))
REM refused: a width on a fixed-size type, order letters on text, two orders
DIM Q$:"A:X(4)"
DIM Q$:"A:C/L(2)"
DIM Q$:"A:I/BL(2)"
DIM Q$:"A:F/Q"
REM values the field cannot hold: error 41 at the assignment
R$.A=1E39; PRINT LEN(R$)
R$.A=0; R$.M=1E15; PRINT LEN(R$)
R$.M=0; PRINT LEN(R$)
REM bytes that are no number (an infinity) read as error 41
T$=ATH("7F800000")+R$(5); PRINT T$.A
