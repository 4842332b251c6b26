REM Create and delete handlers with arguments, a parent whose method the
REM child hides, class qualifiers, an expression method calling a method of
REM its own object, copies, reference counts, handles reused after a drop, a
REM method that drops its own last reference (its result survives the delete
REM handler that runs after it returns); then the errors.
10 DEF CLASS "ANIMAL"
20 PROPERTY NAME$,LEGS
30 FUNCTION SOUND$()="..."
40 FUNCTION DESCRIBE$()=NAME$+" says "+_OBJ'SOUND$()
50 FUNCTION KIND$()="animal"
60 END DEF
70 DEF CLASS "DOG"
80 LIKE "ANIMAL"
90 PROPERTY OWNER
100 FUNCTION SOUND$()="woof"
110 FUNCTION FREE()
120 X=REF(DROP _OBJ)
130 RETURN 42
140 FUNCTION END
150 END DEF
200 D=NEW("DOG","Rex",4)
210 PRINT D'NAME$,D'LEGS,D'SOUND$(),D'KIND$(),D'SOUND$(FROM "ANIMAL"); PRINT D'DESCRIBE$()
220 PRINT D'*
230 C=NEW("ANIMAL","Cat",4); D'OWNER=C
240 PRINT C'_REFCNT; X=REF(ADD C); PRINT C'_REFCNT; X=REF(DROP C)
250 E=NEW(D); PRINT E, E'NAME$, E'_CLASS$
260 PRINT "copy shares:",E'OWNER=C
270 DROP OBJECT E
280 PRINT "drop dog:"; DROP OBJECT D
290 PRINT "next new reuses:",NEW("ANIMAL","Bird",2)
300 F=NEW("DOG","Fido",4); PRINT F'FREE()
310 SETERR 65002
320 PRINT F'NAME$
330 PRINT "freed:",ERR; DROP OBJECT 0
340 PRINT "zero:",ERR; DROP OBJECT 999999
350 PRINT "range:",ERR; X=NEW("NOSUCH")
360 PRINT "missing:",ERR; X=NEW("")
370 PRINT "empty:",ERR; PRINT D'SOUND$(FROM "CAT")
380 PRINT "qualifier:",ERR; PRINT D'SOUND$(FROM "DOG")
390 PRINT "not an ancestor:",ERR
400 END
1000 ON_CREATE:
1010 ENTER N$,L
1020 NAME$=N$; LEGS=L
1030 PRINT "created",N$,_OBJ
1040 EXIT
1100 ON_DELETE:
1110 PRINT "deleted",NAME$
1120 EXIT
SAVE "zoo"
RUN
