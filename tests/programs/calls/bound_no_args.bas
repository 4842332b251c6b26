REM Calls without arguments: a program without ENTER whose variables start
REM cleared on every call, one with no variables at all, one whose ENTER
REM has defaults or none, ERR= on the call, an error of the callee.
DELETE
10 PRINT "menu: K=",K," K$=",K$; K=K+1; K$=K$+"k"
20 EXIT
SAVE "nmenu"
DELETE
10 PRINT "bare"
20 EXIT
SAVE "nbare"
DELETE
10 ENTER A,B$="dflt"
20 PRINT "enter: A=",A," B$=",B$
30 EXIT
SAVE "ndflt"
DELETE
10 ENTER A,B$
20 PRINT "no default: A=",A
30 EXIT
SAVE "nreq"
DELETE
10 PRINT "failing"; Z=1/0
20 EXIT
SAVE "nfail"
DELETE
10 ADDR "nmenu"; ADDR "nbare"; ADDR "ndflt"; ADDR "nreq"; ADDR "nfail"
20 FOR I=1 TO 3; CALL "nmenu"; NEXT I
30 FOR I=1 TO 2; CALL "nbare"; CALL "nbare",ERR=40; NEXT I
40 X=5; CALL "ndflt",X; PRINT "X=",X
50 FOR I=1 TO 2; CALL "ndflt",ERR=60; NEXT I
60 FOR I=1 TO 2; CALL "nreq",ERR=70; PRINT "no error?"
70 PRINT "ENTER without arguments: ERR=",ERR; NEXT I
80 X=1; S$="s"; CALL "nmenu",X,S$; PRINT "args to no ENTER: X=",X," S$=",S$
90 CALL "nmenu"
100 FOR I=1 TO 2; CALL "nfail",ERR=110; PRINT "no error?"
110 PRINT "callee error: ERR=",ERR; NEXT I
120 CALL "nmenu"
130 CALL "nfail"
140 PRINT "not reached"
RUN
PRINT "at the console:"; CALL "nbare"
CALL "nmenu"
CALL "nreq"
DROP "nmenu"; DROP "nbare"; DROP "ndflt"; DROP "nreq"; DROP "nfail"
REM Calls without arguments from a callee, to programs that leave frames
REM open at their EXIT, and around a program saved again.
DELETE
10 PRINT "inner L=",L; L=L+1
20 EXIT
SAVE "ninner"
DELETE
10 PRINT "outer"; CALL "ninner"; CALL "ninner"
20 FOR J=1 TO 3; IF J=2 THEN EXIT
30 NEXT J
SAVE "nouter"
DELETE
10 GOSUB 30; PRINT "back?"
20 EXIT
30 PRINT "in gosub, leaving"; EXIT
SAVE "ngosub"
DELETE
10 ADDR "ninner"; ADDR "nouter"; ADDR "ngosub"
20 FOR I=1 TO 2; CALL "nouter"; CALL "ngosub"; NEXT I
30 CALL "ninner"
RUN
DELETE
10 PRINT "replaced: V=",V; V=V+1
20 EXIT
SAVE "ninner"
DELETE
10 FOR I=1 TO 2; CALL "ninner"; NEXT I
RUN
DROP "ninner"; DROP "nouter"; DROP "ngosub"
REM Without ADDR: the program cache keeps (PC 3) or does not (PC 0).
DELETE
10 PRINT "pc: P=",P; P=P+1
20 EXIT
SAVE "npc"
DELETE
10 SET_PARAM 'PC'=3
20 FOR I=1 TO 3; CALL "npc"; NEXT I
30 SET_PARAM 'PC'=0
40 FOR I=1 TO 3; CALL "npc"; NEXT I
RUN
REM Programs without any variable: called again and again (nothing to keep),
REM one calling another, one dropping itself, one saved again, one that
REM makes a variable at run time, one that fails.
DELETE
10 PRINT "leaf"
20 EXIT
SAVE "vleaf"
DELETE
10 PRINT "mid"; CALL "vleaf"; CALL "vleaf"
20 EXIT
SAVE "vmid"
DELETE
10 PRINT "dropping myself"; DROP "vself"
20 EXIT
SAVE "vself"
DELETE
10 EXECUTE "PRINT ""made: Q="",Q; Q=Q+1"
20 EXIT
SAVE "vexec"
DELETE
10 PRINT "failing"; PRINT 1/0
20 EXIT
SAVE "vfail"
DELETE
10 ADDR "vleaf"; ADDR "vmid"; ADDR "vself"; ADDR "vexec"; ADDR "vfail"
20 FOR I=1 TO 3; CALL "vleaf"; NEXT I
30 FOR I=1 TO 2; CALL "vmid"; NEXT I
50 FOR I=1 TO 3; CALL "vexec"; NEXT I
60 FOR I=1 TO 2; CALL "vfail",ERR=70; PRINT "no error?"
70 PRINT "ERR=",ERR; NEXT I
80 DROP "vleaf"
90 FOR I=1 TO 2; CALL "vleaf"; NEXT I
100 FOR I=1 TO 2; CALL "vself"; NEXT I
RUN
DELETE
10 PRINT "leaf saved again"
20 EXIT
SAVE "vleaf"
DELETE
10 FOR I=1 TO 2; CALL "vleaf"; CALL "vmid"; NEXT I
RUN
DROP "vmid"; DROP "vexec"; DROP "vfail"
