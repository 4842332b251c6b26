REM Files that are no programs, or damaged ones, give an error and never
REM a crash.  A missing program is error 12, a directory or another kind
REM of file 17.
LOAD "nothing_here"
CALL "nothing_here"
INVOKE "mkdir adir"
LOAD "adir"
RUN "adir"
REM A text file loads as program text; one that is not program text is 21.
SERIAL "text"
OPEN LOCK (1)"text"
PRINT (1)"10 PRINT ""from text"""
PRINT (1)"20 END"
CLOSE (1)
RUN "text"
SERIAL "prose"
OPEN LOCK (1)"prose"
PRINT (1)"this is no program"
PRINT (1)"10 nor is this"
CLOSE (1)
LOAD "prose"
REM Damaged program files: a header without its image and an image cut
REM short (2); a line record that runs past the line area, a name offset
REM past the name area, a name index past the name table, a resolved
REM reference that is no line, a wrong end record (17).  Each leaves the
REM program that was loaded before.
DELETE
10 X=1; GOTO 20
20 PRINT "good",X
SAVE "good"
INVOKE "head -c 256 good > bad"
LOAD "bad"
INVOKE "head -c 280 good > bad"
LOAD "bad"
REM The image (file offset 256 on) holds line 10 at 0 (its variable index
REM at 5, its resolved GOTO's target at 14), line 20 at 17, the end record
REM at 34, the name "X" at 40 and the name table at 42.
INVOKE "cp good bad; printf '\000\077' | dd of=bad bs=1 seek=256 conv=notrunc 2>/dev/null"
LOAD "bad"
INVOKE "cp good bad; printf '\000\011' | dd of=bad bs=1 seek=298 conv=notrunc 2>/dev/null"
LOAD "bad"
INVOKE "cp good bad; printf '\201' | dd of=bad bs=1 seek=261 conv=notrunc 2>/dev/null"
LOAD "bad"
INVOKE "cp good bad; printf '\000\003' | dd of=bad bs=1 seek=270 conv=notrunc 2>/dev/null"
LOAD "bad"
INVOKE "cp good bad; printf '\377' | dd of=bad bs=1 seek=294 conv=notrunc 2>/dev/null"
LOAD "bad"
LIST
RUN "good"
