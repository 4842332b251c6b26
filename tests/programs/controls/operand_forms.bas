REM Operand forms of the control directives on a text terminal: each is
REM read whole (its own errors first) before the back end answers.
LIST_BOX 101,1,2,10,3
LIST_BOX 101,ADD,1,2
LIST_BOX 101,ADD,1
LIST_BOX 101,DELETE,1,2
LIST_BOX 101,CLEAR,1,2
LIST_BOX 101,CLEAR,1,2,3,4
LIST_BOX 101,CLEAR,1,2,-3,4
LIST_BOX 101,SELECT,1,2,3,4
LIST_BOX 101,SELECT RESET
LIST_BOX 101,SELECT READ,C,L
REM a grid's cells: column and line first (then the thin client is needed)
GRID 105,GOTO,1,1
GRID 105,GOTO,0,1
GRID 105,GOTO
GRID 105,LOAD,1,2,"x"
GRID 105,LOAD,1,"x"
GRID 105,READ,C,L,X$
GRID 105,READ,C,L,X$,K
GRID 105,READ,X$
GRID 105,WRITE,1,2,"x"
GRID 105,LOCK,1,2
GRID 105,UNLOCK,1,2,-3,4
GRID 105,SELECT,1,2
REM a chart has no items to select or clear
CHART 106,WRITE,1,2,"x"
CHART 106,WRITE,1,2,5
CHART 106,CLEAR,1,2
CHART 106,DELETE,1,2
CHART 106,SELECT,1,2
CHART 106,LOAD,"a,b,"
REM buttons and scroll bars must lie in the window (29) before error 98
BUTTON 5,1,1,5,1,"OK"
BUTTON 5,-1,1,5,1,"OK"
BUTTON 5,78,1,5,1,"OK"
BUTTON 5,1,23,5,2,"OK"
BUTTON 5,1,1,-5,1,"OK"
BUTTON 5,1,-1,5,1,"OK"
BUTTON 5,79,-1,5,1,"OK"
V_SCROLLBAR 7,1,1,1,5
V_SCROLLBAR 7,1,1,1,30
H_SCROLLBAR 7,-1,1,1,5
H_SCROLLBAR 7,0,-1,81,1
REM the utilities take every keyword: those they do not serve change nothing
CLIPBOARD WRITE "kept"
CLIPBOARD CLEAR
CLIPBOARD GOTO
CLIPBOARD READ LIST C$
PRINT "[",C$,"]"
GET_FILE REMOVE
REM SYSTEM_HELP OPEN, PRINT, EDIT and WAIT show the text until a key
SYSTEM_HELP OPEN WAIT "text","topic",5

SYSTEM_HELP WAIT "text"

SYSTEM_HELP PRINT "text"

PRINT "done"
