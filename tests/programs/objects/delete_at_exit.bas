REM Objects still live when the session ends are freed with their delete
REM handlers: first those nobody else holds, an object an object made after
REM its maker, each handler once; an error in a handler does not stop the
REM others.
10 DEF CLASS "DEL"
20 PROPERTY NAME$, PART
30 END DEF
40 END
50 ON_CREATE:
60 ENTER NAME$
70 IF NAME$="maker" THEN PART=NEW("DEL","made")
80 EXIT
90 ON_DELETE:
100 PRINT "delete handler of ",NAME$
110 IF NAME$="bad" THEN X=1/0
120 EXIT
SAVE "delx"
RUN
A=NEW("DEL","first")
B=NEW("DEL","bad")
C=NEW("DEL","maker")
D=NEW("DEL","dropped")
DROP OBJECT D
RELEASE
