REM TRANSLATE with a base: byte b becomes table[b - base] inside the table
A$="ABD"; TRANSLATE A$,"xyz","A"; PRINT A$
A$="ABD"; TRANSLATE A$,"xyz",65; PRINT A$
A$="abc"; TRANSLATE A$,"ABCDEFGHIJKLMNOPQRSTUVWXYZ","a"; PRINT A$
A$=$00010203$; TRANSLATE A$,"0123",""; PRINT A$
A$="ABD"; TRANSLATE A$,"",65; PRINT A$
A$="AB"; TRANSLATE A$,"xyz",321; PRINT A$
REM an entry table: byte, count, replacement bytes (count 0 deletes)
A$="hello world"; TRANSLATE A$,"l"+$00$; PRINT A$
A$="a-b-c"; TRANSLATE A$,"-"+$03$+"<+>"+"a"+$01$+"A"; PRINT A$
A$="xx"; TRANSLATE A$,"x"+$01$+"1"+"x"+$01$+"2"; PRINT A$
A$="keep"; TRANSLATE A$,""; PRINT A$
REM a table whose entry runs past its end changes nothing
A$="abc"; TRANSLATE A$,"a"+$05$+"xy"; PRINT A$
PRINT A$
TRANSLATE A$,"a"; PRINT A$
REM targets: substrings, array elements, and only strings
DIM B$[2]; B$[1]="abc"; TRANSLATE B$[1],"b"+$01$+"B"; PRINT B$[1]
C$="aaaa"; TRANSLATE C$(2,2),"a"+$01$+"b"; PRINT C$
N=5; TRANSLATE N,"x"
TRANSLATE FROM A$,B$
