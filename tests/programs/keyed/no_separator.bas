REM A keyed file made without a field separator holds length-prefixed
REM fields, and its keys are built over them: a record is found by its own
REM key, in both formats and in the BBx mode of the second.
KEYED "nf","[1:1:4],[2:1:3]",0,-100,SEP=""
OPEN (1)"nf"; WRITE (1)"r1","b",12; WRITE (1)"r2","zz",-3.5
READ (1,KEY="r1",DOM=90)A$,B$,C; PRINT A$," ",B$," ",C; PRINT HTA(KEF(1))
READ (1,KNO=1,KEY="zz")A$,B$,C; PRINT A$," ",B$," ",C
READ RECORD (1,KNO=0,KEY="r2")R$; PRINT HTA(R$)
CLOSE (1)
KEYED "ne","[1:1:4]",0,-100,OPT="1",SEP=""
OPEN (1)"ne"; WRITE (1)"r1","b"; READ (1,KEY="r1",DOM=90)A$,B$; PRINT A$," ",B$
CLOSE (1)
KEYED "nb","[1:1:4]",0,-100,SEP="*BBX*",OPT="1"
OPEN (1)"nb"; WRITE (1)"r1","b"; READ (1,KEY="r1",DOM=90)A$,B$; PRINT A$," ",B$
CLOSE (1)
ERASE "nf","ne","nb"
