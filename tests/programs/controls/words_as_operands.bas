REM Statements read as plain token sequences compile a keyword or an option
REM word anywhere; where a value belongs it is a syntax error (20), never an
REM internal code error.
SETCTL 5,READ
SETCTL 5,MAX=3
PREINPUT GOTO
SETMSE OPT="x"
MNEMONIC (0)'XX',OPT="a"
LIST_BOX 5,READ,GOTO
LIST_BOX 5,1,1,5,5,KEY=GOTO
MSGBOX READ
CLIPBOARD WRITE OPT="x"
MENU_BAR 1,ELSE
POPUP_MENU "a,b,",READ
PRINT "the console goes on"
