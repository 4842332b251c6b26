REM EXIT n raises error n at the CALL, where the caller's ERR= takes it.
10 ENTER K
20 IF K=1 THEN EXIT 11
30 IF K=2 THEN X=1/0
40 PRINT "no error for",K
50 EXIT
SAVE "fails"
DELETE
10 CALL "fails",1,ERR=100
20 PRINT "not reached"
100 PRINT "ERR= took",ERR
110 CALL "fails",2,ERR=200
120 PRINT "not reached"
200 PRINT "ERR= took",ERR
210 CALL "fails",3,ERR=300
220 PRINT "no error came back"
230 CALL "missing",ERR=300
240 END
300 PRINT "a missing program is",ERR
RUN
REM The caller's SETERR line takes an error of the callee in the caller,
REM even when the callee has a line of that number.
DELETE
10 X=1/0
20 EXIT
900 PRINT "callee's line 900: wrong"; EXIT
SAVE "divides"
DELETE
10 SETERR 900
20 CALL "divides"
30 PRINT "not reached"
900 PRINT "caller's SETERR line took",ERR
RUN
REM EXIT 127 is an escape taken at the start of the CALL: a SETESC routine
REM runs and returns to the CALL, which runs again (the program escapes
REM every other time it is called).
DELETE
10 %E=1-%E; IF %E THEN EXIT 127
20 EXIT
SAVE "escapes"
DELETE
10 N=0; SETESC 500
20 CALL "escapes"
30 PRINT "after the call, escapes seen:",N
40 END
500 N=N+1; RETURN
RUN
REM Without SETESC the program stops at the CALL; RUN runs it again.
DELETE
10 CALL "escapes"
20 PRINT "went on after the call"
RUN
RUN
REM EXIT, with or without a number, outside a called program.
EXIT
EXIT 5
REM An error three levels below a call typed at the console comes back
REM through every level to the console.
DELETE
10 ENTER N
20 IF N>0 THEN CALL "recurses",N-1 ELSE X=1/0
30 EXIT
SAVE "recurses"
CALL "recurses",3
PRINT "the console goes on"
REM A recursion that reaches the memory limit unwinds the same way.
SET_PARAM 'SZ'=3000
CALL "recurses",1000000
PRINT ERR
