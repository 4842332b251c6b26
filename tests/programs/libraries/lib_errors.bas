REM Error numbers of library names: a member name too long for any key is
REM no library's member (12); an empty new name in RENAME is a bad name
REM (10).  An entry point "#" not followed by digits alone is a label (55).
10 PRINT "gamma"
20 EXIT
SAVE "[lib:flib]gamma"
SAVE "ep"
N$="[lib:flib3]"+DIM(130,"m")
SAVE N$
RENAME "[lib:flib]gamma",""
DELETE
10 CALL "ep;#abc",ERR=20; END
20 PRINT "entry #abc:",ERR
30 CALL "ep;#10"
RUN
