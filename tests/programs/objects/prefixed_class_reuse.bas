REM a class whose file is found through a name with a prefix (its DEF CLASS
REM literal the end of the name) is reused by every later NEW of that name:
REM several live objects, also made in a loop at one statement
DIRECTORY "pcsub"
10 DEF CLASS "PCWIDGET"
20 PROPERTY N
30 END DEF
SAVE "pcsub/PCWIDGET.orc"
DELETE
10 A=NEW("pcsub/PCWIDGET"); A'N=1
20 B=NEW("pcsub/PCWIDGET"); B'N=2
30 PRINT "two live:",A'N,B'N
40 FOR I=1 TO 3; C=NEW("pcsub/PCWIDGET"); C'N=I; NEXT I
50 PRINT "loop:",C'N
60 D=NEW("PCWIDGET"); PRINT "plain name:",D'N
RUN
