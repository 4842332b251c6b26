REM OBJ(LIST): a line per live object, lowest handle first: handle, count,
REM class and defining program between TABs (shown as |), the FS character
REM at the end (shown as /); a dropped object leaves the list and its
REM handle is reused.
10 DEF CLASS "PT"
20 PROPERTY X
30 END DEF
40 A=NEW("PT"); B=NEW("PT"); C=NEW("PT"); N=REF(ADD B)
50 L$=OBJ(LIST); GOSUB 900
60 DROP OBJECT A; L$=OBJ(LIST); GOSUB 900
70 D=NEW("PT"); PRINT D; L$=OBJ(LIST); GOSUB 900
80 DROP OBJECT B; DROP OBJECT B; DROP OBJECT C; DROP OBJECT D
90 PRINT "empty:",LEN(OBJ(LIST))
100 END
900 FOR I=1 TO LEN(L$); C$=L$(I,1)
910 IF C$=$09$ THEN C$="|" ELSE IF C$=SEP THEN C$="/"+$0A$
920 PRINT C$,; NEXT I; RETURN
SAVE "olist"
LIST 50
RUN
REM STK(OBJECT): one letter per argument the program was called with: N/S
REM variables, n/s values, a/A numeric/string arrays; none: "".
DELETE
10 DIM Q[2],Q$[2]
20 CALL "sub",X,X$,1,"a",Q[ALL],Q$[ALL]
30 CALL "sub"
40 END
SAVE "caller"
DELETE
10 ENTER *
20 PRINT "[",STK(OBJECT),"]"
30 EXIT
SAVE "sub"
LIST
LOAD "caller"
RUN
REM TCB(510): the handle of the control-handler object, 0 without one or
REM while it is suspended.
DELETE
10 DEF CLASS "HND"
20 PROPERTY X
30 END DEF
40 PRINT TCB(510)
50 H=NEW("HND"); DEFCTL OBJECT =H
60 PRINT TCB(510)=H
70 DEFCTL OBJECT =DISABLE; PRINT TCB(510)
80 DEFCTL OBJECT =ENABLE; PRINT TCB(510)=H
90 DEFCTL OBJECT =REMOVE; PRINT TCB(510); DROP OBJECT H
RUN
REM OBJ(id): 64 bytes describing the console's window (id 0) or a control of
REM it; a control that does not exist is error 65, an id outside
REM -32000..32767 error 41.  OBJ(id, "handle") needs the thin client (65),
REM another keyword gives "".
X$=OBJ(0); PRINT LEN(X$),HTA(X$(1,2)),HTA(X$(17,4))
X$=OBJ(/0); PRINT LEN(X$)
X$=OBJ(5)
PRINT ERR
X$=OBJ(40000)
X$=OBJ(-32001)
PRINT "[",OBJ(3,"other"),"]"
X$=OBJ(3,"HANDLE")
DELETE
10 PRINT OBJ(/1,"x"),OBJ(LIST),LEN(OBJ(0))
LIST
RUN
