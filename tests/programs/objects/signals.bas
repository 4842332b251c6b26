REM A signal raises its event on the "*system" object: the handler runs at a
REM statement boundary, never inside the signal handler; its error is dropped.
10 DEF CLASS "SIGS"
20 PROPERTY N
30 FUNCTION ONE() FOR EVENT "SigUsr1"
40 N=N+1
50 X=1/0
60 EXIT
70 FUNCTION END
80 END DEF
90 DEF OBJECT EVH,"*system"; S=NEW("SIGS"); ON EVENT FROM EVH PROCESS S
100 INVOKE "kill -USR1 "+STR(TCB(506))
110 FOR I=1 TO 1000; NEXT I
120 PRINT "handled:",S'N,"ERR:",ERR
SAVE "sig"
RUN
