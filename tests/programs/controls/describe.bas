REM OBJ( describes the controls kept on a console without a screen as it
REM does on a terminal: 64 bytes of type, flags, place, size and selection;
REM an id with no control in the current window is error 65.  Id 0, the
REM window, is 80 x 24 there, the size the control directives take.
X$=OBJ(0); PRINT HTA(X$(1,16))
LIST_BOX 101,1,2,10,5
FOCUS 101
X$=OBJ(101); PRINT LEN(X$)
PRINT HTA(X$(1,16))
PRINT X$(17)=DIM(48,$00$)
LIST_BOX 101,LOAD,"a,b,c,"; LIST_BOX 101,WRITE,3
X$=OBJ(101); PRINT HTA(X$(1,16))
MULTI_LINE 102,20,3,12,4
X$=OBJ(102); PRINT HTA(X$(1,16))
X$=OBJ(103)
PRINT ERR
LIST_BOX 101,REMOVE
X$=OBJ(101)
