REM DROP PROPERTY name,h removes one property of an object: a declared one
REM starts afresh, a run-time one is gone; an unknown name does nothing; a
REM bad or dropped handle is error 95.
10 DEF CLASS "K"
20 PROPERTY P,S$
30 FUNCTION ADDS()
40 ADD PROPERTY D1=5
50 RETURN D1
60 FUNCTION END
70 END DEF
80 H=NEW("K"); H'P=3; H'S$="s"; X=H'ADDS()
90 DROP PROPERTY P,H
100 PRINT "P after drop:",H'P
110 DROP PROPERTY S$,H
120 PRINT "S$ after drop:[",H'S$,"]"
130 DROP PROPERTY D1,H
140 X=EVN("H'D1",-1)
150 PRINT "run-time property gone:",X
160 DROP PROPERTY NOSUCH,H
170 DROP PROPERTY P,12345,ERR=180
180 PRINT "bad handle:",ERR
190 DROP OBJECT H
200 DROP PROPERTY P,H,ERR=210
210 PRINT "dropped object:",ERR
220 END
SAVE "dprop"
RUN
LIST 90,110
