REM POPUP_MENU with a control handler that has a Popup_Menu method: the
REM method receives the column and line (-1 each: where the cursor stands),
REM then the statement's own arguments; MSGBOX goes to its Msgbox method
REM with the statement's arguments alone.
10 DEF CLASS "PH"
20 FUNCTION POPUP_MENU(C,L,M$,X)
30 ENTER C,L,M$,X
40 PRINT "popup",C,L,M$; X=2
50 RETURN
60 FUNCTION END
70 FUNCTION MSGBOX(T$)
80 ENTER T$
90 PRINT "msgbox ",T$
100 RETURN
110 FUNCTION END
120 END DEF
SAVE "PH.orc"
DELETE
H=NEW("PH")
DEFCTL OBJECT =H
X=7; POPUP_MENU "one,two,",X; PRINT X
MSGBOX "hello"
REM A position given in hundredths of a cell reaches the method in cells
REM with 2 decimals; a negative one is refused before the call.
X=7; POPUP_MENU @(550,325),"one,two,",X; PRINT X
POPUP_MENU @(-5,0),"a,",X
PRINT ERR
