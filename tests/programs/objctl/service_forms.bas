REM The forms of the GUI statements that a handler's service object takes:
REM MENU_BAR's definition (no keyword: the method Define gets the id and the
REM text), GET_FILE without READ or WRITE (Select gets the title), CLIPBOARD
REM WRITE and READ; a service property that holds no object (a value in the
REM range of control ids) leaves the statement to its ordinary route, from
REM its keyword on (the text terminal's clipboard utility).
10 DEF CLASS "SVC"
20 PROPERTY NAME$
30 FUNCTION READ(X$)
40 ENTER X$; X$=NAME$+" read"
50 RETURN
60 FUNCTION END
70 FUNCTION WRITE(T$)
80 ENTER T$; PRINT NAME$," Write ",T$
90 RETURN
100 FUNCTION END
110 FUNCTION DEFINE(I,T$)
120 ENTER I,T$; PRINT NAME$," Define",I," ",T$
130 RETURN
140 FUNCTION END
150 FUNCTION SELECT(T$)
160 ENTER T$; PRINT NAME$," Select ",T$
170 RETURN
180 FUNCTION END
190 END DEF
SAVE "SVC.orc"
DELETE
10 DEF CLASS "HS"
20 PROPERTY MENUBAR,GETFILE,CLIPBOARD
30 END DEF
SAVE "HS.orc"
DELETE
H=NEW("HS")
H'MENUBAR=NEW("SVC"); H'MENUBAR'NAME$="menu"
H'GETFILE=NEW("SVC"); H'GETFILE'NAME$="file"
H'CLIPBOARD=NEW("SVC"); H'CLIPBOARD'NAME$="clip"
DEFCTL OBJECT =H
MENU_BAR 5,"File"
GET_FILE "Pick one"
CLIPBOARD WRITE "copied"; CLIPBOARD READ C$; PRINT C$
H'CLIPBOARD=7
DEFCTL OBJECT =DISABLE
DEFCTL OBJECT =H
10 CLIPBOARD WRITE "kept"
20 CLIPBOARD READ C$
30 PRINT "[",C$,"]"
40 MENU_BAR 6,"Edit"
RUN
