REM Names in a class's PROPERTY list are names even where they spell a
REM keyword (a control handler declares its service properties CLIPBOARD,
REM MENU_BAR, SYSTEM_HELP, MNEMONIC ...); the rest of an item keeps its
REM keywords, and a comma inside parentheses or brackets belongs to the item.
REM The listing compiles back to the same lines, saved and loaded again.
10 DEF CLASS "SVC"
20 PROPERTY CLIPBOARD,MENU_BAR,X,SYSTEM_HELP$,MNEMONIC
30 PROPERTY HIDE READ,LOAD$
40 PROPERTY N=LEN(MID("abcdef",2,3)),M=POS("c"="abc",1,1)
50 PROPERTY W GET WGET SET ERR, E GET ERR, T=B[1,2]
60 PROPERTY INNER OBJECT, CLOSE=99
70 END DEF
90 A=NEW("SVC"); A'CLIPBOARD=7; A'MENU_BAR=8; A'SYSTEM_HELP$="help"
100 PRINT A'CLIPBOARD,A'MENU_BAR,A'SYSTEM_HELP$,A'N,A'M,A'CLOSE
110 A'MNEMONIC=3; PRINT A'MNEMONIC
120 SETERR 200; A'W=1; STOP
200 PRINT "E",ERR; SETERR 0
210 DROP PROPERTY CLIPBOARD,A; PRINT A'CLIPBOARD
220 END
230 WGET: RETURN
LIST
SAVE "propnames"
RUN
DROP OBJECT A
DROP CLASS "SVC"
DELETE
LOAD "propnames"
LIST 20,60
RUN
PRINT "done"
