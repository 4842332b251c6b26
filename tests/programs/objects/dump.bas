REM DUMP at the console with nothing running; variables that are 0 or empty
REM left out, an array's DIM line and its elements, strings as pieces; DUMP
REM of every level and of the level below inside a method, with its FOR
REM frame and its running object; DUMP OBJECT; a level out of range.
DUMP
A=1.5; B$="AB"+$0A0D$+"C"; Z=0; E$=""; %G=7
DIM N[1:5,3]; N[2,1]=4
DIM S$[2]; S$[1]="x"+ESC+SEP
DUMP
10 DEF CLASS "K"
20 PROPERTY P,Q$
30 LOCAL SECRET
40 FUNCTION SHOW()
50 SECRET=9; P=2
60 FOR I=1 TO 1
70 DUMP /; DUMP -1
80 NEXT I
90 RETURN 0
100 FUNCTION END
110 END DEF
120 H=NEW("K"); H'Q$="q"
130 X=H'SHOW()
140 DUMP OBJECT H
150 GOSUB 200
160 END
200 DUMP -1
210 RETURN
SAVE "dm"
RUN
DUMP 5
REM DUMP OBJECT of a handle of no live object prints nothing.
DUMP OBJECT 123456
DROP OBJECT H
DUMP OBJECT H
PRINT "after"
