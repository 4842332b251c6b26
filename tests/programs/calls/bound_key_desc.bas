REM A program's key and description stay its own across calls: a caller
REM without them calling, the bound way and the long way, a program saved
REM with a description or with a key, and one that has them calling one
REM that has not, or whose called program gives itself a description.
DELETE
10 ENTER A,B$,C
20 C=C+A
30 EXIT
SAVE "dsc_callee",IND=101,DSC="The called program's own"
DELETE
10 ENTER A,B$,C
20 C=C+A
30 EXIT
SAVE "plain_callee"
DELETE
10 ENTER A,B$,C
20 C=C+A
30 SAVE "renamed_callee",IND=102,DSC="Given during the call"
40 EXIT
SAVE "self_saver"
SERIAL "keyed.txt"
OPEN LOCK (1)"keyed.txt"
PRINT (1)"**Password**:00112233AABBCCDD"
PRINT (1)"10 ENTER A,B$,C"
PRINT (1)"20 C=C+A+1000"
PRINT (1)"30 EXIT"
CLOSE (1)
DELETE
MERGE "keyed.txt"
SAVE "keyed_callee"
REM A typed caller with neither: after every kind of call, saved with a
REM version, it shows no description; its text lists as typed.
DELETE
10 ADDR "dsc_callee"; ADDR "keyed_callee"; C=0
20 FOR I=1 TO 3; CALL "dsc_callee",I,S$,C; CALL "keyed_callee",I,S$,C; NEXT I
30 PRINT "C=",C
40 CALL "self_saver",1,S$,C; PRINT "after the saver: C=",C
50 DROP "dsc_callee"; DROP "keyed_callee"
RUN
SAVE "caller",IND=103
LIST
REM Run from its file: the same.
LOAD "caller"
RUN
SAVE "caller",IND=104
REM A caller with a description calls programs without one (the bound
REM way from the second call on) and one that gives itself one: its own
REM comes back every time.
DELETE
10 ADDR "plain_callee"; C=0
20 FOR I=1 TO 3; CALL "plain_callee",I,S$,C; NEXT I
30 CALL "self_saver",2,S$,C; CALL "plain_callee",5,S$,C
40 PRINT "C=",C
50 DROP "plain_callee"
SAVE "described",IND=105,DSC="The caller's own words"
RUN
SAVE "described",IND=106
LOAD "described"
RUN
SAVE "described",IND=107
REM A keyed caller (a protected program) calls a program without a key:
REM saved afterwards, its image is still enciphered with its own key, and
REM it runs again once loaded.
SERIAL "keyed_caller.txt"
OPEN LOCK (1)"keyed_caller.txt"
PRINT (1)"**Password**:8899AABBCCDDEEFF"
PRINT (1)"10 ADDR ""plain_callee""; C=0"
PRINT (1)"20 FOR I=1 TO 3; CALL ""plain_callee"",I,S$,C; NEXT I"
PRINT (1)"30 PRINT ""keyed caller: C="",C"
PRINT (1)"40 DROP ""plain_callee"""
CLOSE (1)
DELETE
MERGE "keyed_caller.txt"
RUN
SAVE "keyed_caller"
DELETE
LOAD "keyed_caller"
RUN
LIST
