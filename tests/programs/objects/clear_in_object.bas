REM CLEAR inside an object's own code empties the object's properties (an
REM object property gives back the reference it held) and the method's own
REM variables; the caller's variables and other objects keep theirs, and
REM compiled references in the method see the fresh, empty properties.
10 DEF CLASS "BOX"
20 PROPERTY A,B$,INNER OBJECT
30 FUNCTION WIPE()
40 T=1; CLEAR
50 PRINT "inside:",A,"["+B$+"]",T
60 A=3
70 RETURN A
80 FUNCTION END
90 END DEF
100 H=NEW("BOX"); H'A=5; H'B$="x"; Z=9
110 K=NEW("BOX"); K'A=7
120 I=NEW("BOX"); X=REF(ADD I); H'INNER=I; PRINT "held:",I'_REFCNT
130 PRINT "wipe:",H'WIPE()
140 PRINT H'A,"["+H'B$+"]",H'INNER,Z,K'A,I'_REFCNT
150 END
SAVE "clr"
RUN
