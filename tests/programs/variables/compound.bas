10 X=5; X+=2; PRINT X; X-=1; PRINT X; X*=3; PRINT X; X/=4; PRINT X
20 X^=2; PRINT X; X MOD=7; PRINT X; X=-7; X   MOD=3; PRINT X
30 I%=7; I%+=2.9; PRINT I%; I%*=1.5; PRINT I%; I% MOD=4; PRINT I%; I%-=0.5; PRINT I%
40 PRECISION 2; Y=1; Y/=3; PRINT Y; Y+=0.005; PRINT Y; PRECISION 4
50 S$="ab"; S$+="cd"; PRINT S$; S$*=3; PRINT S$; S$*=1; PRINT S$; S$*=0; PRINT "[",S$,"]"
60 E$=""; E$*=5; PRINT "[",E$,"]"; E$+=""; PRINT "[",E$,"]"
70 T$="x"; FOR I=1 TO 300; T$+=T$(1,1); NEXT I; PRINT LEN(T$)
80 DIM A[3]; A[1]+=5; A[1]*=2; A[ALL]+=1; PRINT A[0],A[1],A[3]
90 DIM B$[2]; B$[ALL]+="x"; B$[1]+="y"; B$[2]*=3; PRINT B$[0],B$[1],B$[2]
100 S$="hello"; S$(2,3)+="X"; PRINT S$; S$(1,1)*=3; PRINT S$
110 DIM R$:"NAME:C(5),AMT:N(*)"; R$.NAME$="ab"; R$.NAME$+="cd"; PRINT "[",R$.NAME$,"]"
120 R$.NAME$+="efgh"; PRINT "[",R$.NAME$,"]"; R$.NAME$*=2; PRINT "[",R$.NAME$,"]"
130 R$.AMT+=12.5; R$.AMT*=2; PRINT R$.AMT
140 LET P=1,P+=1,Q$="a",Q$+="b"; PRINT P,Q$
150 END
LIST
RUN
X=1; X/=0
S$="abc"; S$*=-1
S$*=1.5
X+="a"
N=3; N*=2147483647; N*=2147483647; N*=2147483647; N*=2147483647; N*=2147483647; PRINT N
S$-="x"
LET Z%=7
PRINT Z,Z%
X=5; X%%=2
X MOD =2
J%=9; J%  mod=4; PRINT J%
