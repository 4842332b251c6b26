REM NEW("class" FOR target): the object's reference goes to the target and
REM comes back when the target closes: a channel's CLOSE, another object's
REM end, and the return of the called program it was attached to (FOR
REM PROGRAM) each free the objects attached to them; an object freed first
REM takes its attachments along (no later release touches its slot).  Bad
REM targets are errors and leave no object behind.  The forms list back.
10 DEF CLASS "TRACKED"
20 PROPERTY NAME$
30 END DEF
1100 ON_DELETE:
1110 PRINT "deleted ",NAME$
1120 EXIT
SAVE "TRACKED.orc"
DELETE
10 ENTER
20 P=NEW("TRACKED" FOR PROGRAM); P'NAME$="program's"
30 PRINT "in the called program"
40 EXIT
SAVE "SUB.pgm"
DELETE
OPEN (5)"TRACKED.orc"
A=NEW("TRACKED" FOR FILE 5); A'NAME$="channel's"
B=NEW("TRACKED" FOR OBJECT A); B'NAME$="object's"
C=NEW("TRACKED" FOR FILE 5); C'NAME$="dropped first"
DROP OBJECT C
D=NEW("TRACKED"); D'NAME$="survivor"
PRINT "closing"
CLOSE (5)
PRINT "closed"
PRINT A'NAME$
PRINT B'NAME$
PRINT D'NAME$
CALL "SUB.pgm"
PRINT "returned"
X=NEW("TRACKED" FOR 300)
X=NEW("TRACKED" FOR FILE 9)
X=NEW("TRACKED" FOR OBJECT 5)
PRINT OBJ(LIST)
DELETE
10 X=NEW("A",1,"b" FOR OBJECT H)
20 Y=NEW("A" FOR OBJECT)
30 Z=NEW("A" FOR FILE 3+1)
40 W=NEW("A" FOR PROGRAM)
50 V=NEW("A" FOR 2)
LIST
