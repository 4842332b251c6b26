REM A property whose GET is an expression, first touched inside the
REM object's code, takes the expression's value then: C is P*2 when the
REM method first reads it.  The statement reading it keeps its own operands.
10 DEF CLASS "E"
20 PROPERTY P
30 PROPERTY C=P*2
40 PROPERTY T$=STR(P)+"x"
50 FUNCTION PC()
60 RETURN 1+C+0*LEN(T$)
70 FUNCTION END
80 FUNCTION TS$()
90 RETURN "<"+T$+">"
100 FUNCTION END
110 END DEF
120 H=NEW("E")
130 H'P=1
140 PRINT H'PC()
150 PRINT H'TS$()
160 PRINT H'C
170 END
SAVE "epi"
RUN
