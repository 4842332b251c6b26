REM ULEX: user aliases of keywords, CLEAR, LOAD of a lexicon
ULEX "AFFICHER","PRINT","SI","IF"
AFFICHER "bonjour"
10 SI 1 THEN AFFICHER "oui"
LIST
RUN
ULEX "","PRINT"
ULEX "X","NOSUCH"
ULEX "X"
ULEX CLEAR
AFFICHER "x"
LIST
ULEX LOAD "*lextbl.en"
ULEX LOAD "no_such_lexicon"
PRINT "ok"
