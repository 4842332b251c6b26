%A=1; A=2
PRINT %A,A
%S$="global"; S$="local"
PRINT %S$,S$
a=3; PRINT A
%A$="x"; PRINT %A,%A$
DIM %T[2]; %T[2]=8
CLEAR
PRINT %A,A,%S$,S$+"|",%T[2]
