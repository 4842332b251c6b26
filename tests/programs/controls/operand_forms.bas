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
REM F in place of the positions: the client places the bar
V_SCROLLBAR 7,F
V_SCROLLBAR 7,F,OPT="x"
F=2
V_SCROLLBAR 7,F,1,1,50
V_SCROLLBAR 7,G
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

REM the further options of a definition: each takes its own kind of value
MULTI_LINE 110,1,10,10,3,MAX=5,DLM=";",FNT=/,TIP="t",MSG="m",FMT="f",NUL="n",MNU=7,XT1="a",XT2="b"
MULTI_LINE 110,WRITE,"ab;cd"
MULTI_LINE 110,READ,X$
PRINT X$
LIST_BOX 111,1,1,10,3,XT2="only a multi-line edit"
LIST_BOX 111,1,1,10,3,DLM=";;"
LIST_BOX 111,1,1,10,3,DLM=""
LIST_BOX 111,1,1,10,3,MAX=32001
LIST_BOX 111,1,1,10,3,MNU=-32001
LIST_BOX 111,1,1,10,3,MSG=DIM(128,"m")
LIST_BOX 111,1,1,10,3,TIP=DIM(512,"t")
LIST_BOX 111,1,1,10,3,TIP=DIM(511,"t"),FNT="Courier",DLM="/"
LIST_BOX 111,LOAD,"x/y/"
LIST_BOX 111,FIND,2,Y$
PRINT Y$
BUTTON 5,1,1,5,1,"OK",MSG="m",TIP="t",FNT=/,MNU=3,XT1="x"
BUTTON 5,1,1,5,1,"OK",MAX=3
V_SCROLLBAR 7,1,1,1,5,XT1="x"
V_SCROLLBAR 7,1,1,1,5,MSG="x"
10 MULTI_LINE 112,1,1,10,3,DLM=";",FNT=/,MAX=5,TIP="t",MSG="m",NUL="n",MNU=7,XT1="a",XT2="b",ERR=20
20 TIP=5; MSG=6; MAX=MAX(TIP,MSG); PRINT "options are names elsewhere:",MAX
LIST
RUN
REM switch MX sends MSGBOX to the library's "msgbox.gui"; without one the
REM switch goes off and the text terminal's box answers
SET_PARAM 'MX'
PRINT PRM($1B4D58$)
MSGBOX "hi"

PRINT PRM($1B4D58$)
PRINT "done"
