REM PERFORM ON / EXECUTE ON: a program's first line fires when the program
REM starts (CALL and RUN); a line entered by RETURN or by NEXT fires each
REM time; a registration made while the target runs waits for the next
REM time the program becomes current.  A start logic PERFORM'd runs, and
REM then the first line's own entry as after an EXECUTE start logic.
10 PRINT "ten"
20 PRINT "twenty"
30 END
SAVE "tgt2"
DELETE
10 GOSUB 100
20 PRINT "twenty"
30 END
100 PRINT "sub"
110 RETURN
SAVE "ph"
DELETE
10 FOR I=1 TO 3
20 PRINT I
30 NEXT I
40 END
SAVE "pf"
DELETE
10 EXECUTE "PRINT ""[late]""" ON END "pr;30"
20 PRINT "twenty"
30 PRINT "thirty"
40 END
SAVE "pr"
DELETE
EXECUTE "PRINT ""[exec]""" ON "tgt2;10"
CALL "tgt2"
RUN "tgt2"
EXECUTE "PRINT ""[e20]""" ON END "ph;20"
RUN "ph"
EXECUTE "PRINT ""[body]""" ON END "pf;20"
RUN "pf"
RUN "pr"
RUN "pr"
DELETE
10 PRINT "[logic]"
20 EXIT
SAVE "lg"
PERFORM "lg" ON "tgt2"
RUN "tgt2"
CALL "tgt2"
EXECUTE "PRINT ""[estart]""" ON "tgt2"
RUN "tgt2"
