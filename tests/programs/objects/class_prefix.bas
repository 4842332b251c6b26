REM A class asked for under a prefixed name ("sub/WIDGET") is loaded from
REM that file when its DEF CLASS names the end of it: the file stops at its
REM definition and the class keeps the name the file gave it.  A file that
REM defines another class is refused and leaves nothing defined.
DIRECTORY "sub"
10 DEF CLASS "Widget"
20 PROPERTY N
30 END DEF
40 PRINT "never runs: the file stops at its definition"
50 ON_CREATE:
60 N=7
70 EXIT
SAVE "sub/WIDGET.orc"
DELETE
H=NEW("sub/WIDGET")
PRINT H'_CLASS$,H'N
DROP OBJECT H
DROP CLASS "WIDGET"
LOAD CLASS "sub/WIDGET"
DROP CLASS "Widget"
LOAD CLASS "WIDGET","sub/WIDGET.orc"
H=NEW("WIDGET"); PRINT H'N
DELETE
10 DEF CLASS "OTHER"
20 END DEF
SAVE "sub/GADGET.orc"
DELETE
X=NEW("sub/GADGET")
DROP CLASS "OTHER"
