REM XFA( on a record template: the 11-byte attribute record of a field (its
REM form, flags, delimiter, number, offset and length as the record stands)
REM followed by its description, or one item of the description.  A
REM variable that is no record is error 23, a missing field 47, a missing
REM description item 23; a template that does not parse is error 81 and the
REM console goes on.
10 DIM R$:"ID:C(4):KEY=1 LABEL=Customer:,NAME:C(*):LABEL=Name:,BAL:N(8),QTY[2]:U(2),*:C(*),NOTE:N(*=44)"
20 R$.ID$="A1"; R$.NAME$="Acme"; R$.BAL=12.5; R$.NOTE=7
30 PRINT "record ",HTA(R$)
40 FOR F=1 TO 5
50 READ DATA F$
60 X$=XFA(R$,F$)
70 PRINT F$,": ",HTA(X$(1,11))," [",X$(12),"]"
80 NEXT F
90 DATA "ID","name$","BAL","QTY","NOTE"
100 PRINT "ID label: ",XFA(R$,"ID","LABEL")," key: ",XFA(R$,"id","key")
110 PRINT XFA(R$,"BAL","LABEL",ERR=120); PRINT "not here"
120 PRINT "no description: error",ERR
130 PRINT XFA(R$,"NONE",ERR=140); PRINT "not here"
140 PRINT "no such field: error",ERR
150 S$="plain"; PRINT XFA(S$,"ID",ERR=160); PRINT "not here"
160 PRINT "not a record: error",ERR
RUN
DIM T$:"ID:C(4),NAME:X(3)"
DIM T$:"ID:C(4"
PRINT "console goes on"
