REM Controls without a character form: buttons, check boxes, radio buttons
REM and scroll bars are error 98; grids, charts, VBX, SHOW, HIDE and WINPRT
REM need the thin client (99).  Their operands are checked first.
BUTTON 5,1,1,5,1,"OK"
CHECK_BOX 6,1,1,5,1,"x",TBL="ab"
BUTTON 7,1,1,5,1,"x",TBL="ab"
CHECK_BOX 8,1,1,5,1,"x",TBL="abcd"
RADIO_BUTTON 9:3,1,1,5,1,"x"
BUTTON 5,WRITE,"ab"
V_SCROLLBAR 7,1,1,1,5
H_SCROLLBAR 7,READ,X,0
GRID 8,1,1,10,5
GRID 8,READ,X$
GRID 8,READ,C,L,X$
CHART 9,1,1,10,5
VBX 1,1,1,10,2,"cls","cap"
SHOW 5,6:300
SHOW "abcd"
HIDE 5,6:3
WINPRT READ X$
POPUP_MENU "a,b,",P$; PRINT "[",P$,"]"
LIST_BOX 100001,1,1,5,5
