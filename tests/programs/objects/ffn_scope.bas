REM FFN( inside a method: by default the object's own channels and the
REM global ones; scope "E" the global ones alone, "O" the object's alone.
SERIAL "fs.tmp"
10 DEF CLASS "FSC"
20 FUNCTION T()
30 OPEN (5)"fs.tmp"
40 PRINT FFN("fs.tmp"),FFN("fs.tmp",0,"E"),FFN("fs.tmp",0,"O"),FFN("fs.tmp",4,"O")
50 CLOSE (5)
60 PRINT FFN("fs.tmp",0,"O")
70 RETURN 0
80 FUNCTION END
90 END DEF
SAVE "FSC.orc"
DELETE
OPEN (3)"fs.tmp"
H=NEW("FSC")
X=H'T()
PRINT FFN("fs.tmp"),FFN("fs.tmp",4)
CLOSE (3)
DROP OBJECT H
ERASE "FSC.orc"
ERASE "fs.tmp"
