REM A statement kept at the end of its line, the next line a GOTO: the loop
REM goes on to the GOTO's target at once while the GOTO cache holds it, with
REM everything served at the GOTO's line as before.  A breakpoint on the
REM GOTO line; TRACE switched on by the loop; an escape during the loop; the
REM GOTO line edited between runs (another target, a target that does not
REM exist, no GOTO), its target deleted; two GOTO lines taking turns at the
REM cache; a label as target, in the program run from its file.
DELETE
10 N=0; T=0
20 N=N+1
30 T=T+N
40 GOTO 60; PRINT "never"
50 PRINT "not reached"
60 IF N<10 THEN GOTO 20
70 PRINT "N=",N," T=",T
RUN
> +40
RUN
PRINT "stopped at N=",N
RUN
PRINT "stopped at N=",N
>
RUN
40 GOTO 55
RUN
DELETE 60
40 GOTO 60
RUN
40 T=T+1000
RUN
DELETE
10 N=0; T=0
20 N=N+1
30 T=T+N
40 GOTO 60
50 T=T+1
55 GOTO 20
60 N=N+1
70 T=T+100; IF N<9 THEN GOTO 50
80 PRINT "N=",N," T=",T
RUN
DELETE
10 N=0; T=0; SETESC 200
20 N=N+1
25 IF N=4 THEN INVOKE "kill -INT "+STR(TCB(506))
27 IF N=7 THEN TRACE
30 T=T+N
40 GOTO 60
60 IF N<8 THEN GOTO 20
70 ENDT; PRINT "N=",N," T=",T; STOP
200 PRINT "escape at N=",N," T=",T; RETURN
RUN
DELETE
10 N=0; T=0
20 TOP: N=N+1
30 T=T+N
40 GOTO TOP2
50 TOP2: IF N<5 THEN GOTO TOP
60 PRINT "N=",N," T=",T
SAVE "glstep"
DELETE
RUN "glstep"
ERASE "glstep"
