REM Objects kept on the thin client without an attached client: NEW of a
REM "[vrl]" class is error 90, "[lcl]" asks for the local class, DEF OBJECT
REM of a "[vrl]" name and of a control go to the control layer (error 99),
REM ON EVENT from a negative handle is error 95, DROP OBJECT of a control
REM number is error 65; the console goes on after each.
X=NEW("[vrl]Grid")
PRINT ERR
X=NEW("[VRL]")
10 DEF CLASS "LOCALONE"
20 PROPERTY V=7
30 END DEF
40 X=NEW("[lcl]LOCALONE"); PRINT X'_CLASS$,X'V
RUN
DEF OBJECT Y,"[vrl]Forms.Button"
DEF OBJECT Y,""
ON EVENT FROM -5 PROCESS 0
DROP OBJECT 5
PRINT "still here"
