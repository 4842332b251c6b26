REM A new library's key folds member names to upper case: a member is found
REM by its name in any case, and read although its stored name differs in
REM case from the key asked for; saving it again replaces it.
10 PRINT "alpha runs"
SAVE "[lib:flib]Alpha"
DELETE
CALL "[lib:flib]ALPHA"
RUN "[lib:flib]alpha"
LOAD "[lib:flib]ALPHA"
LIST
OPEN (1)"[lib:flib]aLPHA"; PRINT "open"; CLOSE (1)
10 PRINT "alpha again"
SAVE "[lib:flib]ALPHA"
DELETE
RUN "[lib:flib]Alpha"
OPEN (1)"flib"; PRINT KEF(1),NUM(FIN(1,"NUMREC")); CLOSE (1)
