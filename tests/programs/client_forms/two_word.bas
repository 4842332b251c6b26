REM The two-word directive names of the client's list: typed in any case,
REM they list back in upper case; without a client the control forms say
REM what they need (REMOVE, RENAME, ENABLE and DISABLE CONTROL check their
REM ids first), SAVE CONTROL needs the client, and the server-property
REM declarations work (an undeclared property's effects are error 23).
10 enable  control 101,102
20 DISABLE CONTROL 7:2
30 SAVE CONTROL 101
40 PROCESS SERVER "s"="[tcp]127.0.0.1;1"
50 PROCESS SERVER "s"=DELETE
60 USER_LEX LOAD "nolex"
70 ADD SERVER "Text%Value'Items",ERR=90
80 DROP SERVER "Text","Value"
85 DROP SERVER ON "WR%Text%/"
90 READ RECORD (1,KEY="A",ERR=95)A$
95 DEF MSG("K")="text"
96 REMOVE CONTROL /101,102
97 RENAME CONTROL 101,102,HIDE
LIST
ENABLE CONTROL 101
DISABLE CONTROL 7:2
SAVE CONTROL 101
ADD SERVER "Text%Value'Items"
DROP SERVER "Text","Value"
DROP SERVER "Other","Value"
DROP SERVER ON "%Text"
PROCESS SERVER "s"
REMOVE CONTROL 101
RENAME CONTROL 101,102
RENAME CONTROL "abcde"
REMOVE CONTROL 99999
PRINT "console goes on"
