REM PERFORM ON and EXECUTE ON: logic attached to a program from outside
10 PRINT "main start"
20 PRINT "line 20"
30 CHECK: PRINT "labelled line"
40 PRINT "line 40"
50 END
SAVE "pon_main"
DELETE
10 PRINT "  logic program runs"
20 EXIT
SAVE "pon_logic"
DELETE
EXECUTE "PRINT 1+1"
EXECUTE "X=5"; PRINT X
PERFORM "pon_logic" ON "pon_main;20"
EXECUTE "PRINT ""  executed before the label""" ON END "pon_main;check"
EXECUTE "PRINT ""  at start""" ON "pon_main"
RUN "pon_main"
REM an empty text removes an entry; END keeps the line after the logic
PERFORM "" ON "pon_main;20"
PERFORM "pon_logic" ON END "pon_main;40"
EXECUTE "" ON "pon_main"
RUN "pon_main"
REM bad input: an empty target, an error inside EXECUTE, a recursive logic
PERFORM "pon_logic" ON ""
EXECUTE "X=1/0"
EXECUTE "PRINT (" 
PERFORM "pon_main" ON "pon_main;20"
RUN "pon_main"
PRINT "console goes on"
PERFORM "" ON "pon_main;20"
RUN "pon_main"
REM a logic that ran and returned at one call depth runs again at another
PERFORM "pon_logic" ON "pon_main;20"
RUN "pon_main"
DELETE
10 CALL "pon_main"
SAVE "pon_caller"
RUN "pon_caller"
RUN "pon_caller"
RUN "pon_main"
PRINT "done"
