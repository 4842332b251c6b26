REM DIM(ASSOC A$, key): the subscript a key has in an associative array, in
REM the order the keys were made; 0 for a key not there, an array made by
REM DIM, or a variable that is no array.
A$["red"]="r"; A$["green"]="g"; A["x"]=5
PRINT DIM(ASSOC A$,"green"),DIM(ASSOC A$,"red"),DIM(ASSOC A$,"blue"),DIM(ASSOC A,"x")
PRINT A$[DIM(ASSOC A$,"green")]
DIM B[3]; PRINT DIM(ASSOC B,"x"),DIM(ASSOC NEVER$,"x")
REM Keys are exact: case and trailing blanks count.
PRINT DIM(ASSOC A$,"RED"),DIM(ASSOC A$,"red ")
10 IF DIM(ASSOC A$,K$)=0 THEN PRINT "no ",K$ ELSE PRINT K$," is",DIM(ASSOC A$,K$)
LIST
K$="z"; RUN
K$="red"; RUN
REM The key must be a string; ASSOC is a keyword.
PRINT DIM(ASSOC A$,5)
PRINT DIM(ASSOC A$)
ASSOC=1
