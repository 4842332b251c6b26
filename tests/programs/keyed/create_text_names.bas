REM FIN(ch,"FILE_CREATE") of a keyed file writes its key names back, in
REM double quotes before the first segment of their keys, in both formats.
KEYED "kn1","[""id"":1:1:4],[""nm"":1:5:4]+[2:1:2]",0,50
OPEN (1)"kn1"; PRINT FIN(1,"FILE_CREATE"); CLOSE (1)
KEYED "kn2","[""id"":1:1:4],[2:1:3],[""nm"":1:5:4]",0,50,OPT="1"
OPEN (1)"kn2"; PRINT FIN(1,"FILE_CREATE"); CLOSE (1)
KEYED "kn3","[1:1:4]",0,50
OPEN (1)"kn3"; PRINT FIN(1,"FILE_CREATE"); CLOSE (1)
ERASE "kn1","kn2","kn3"
