REM Bad input to OPEN and the simple kinds: each gives its error number and
REM message, leaves no channel half open (the same channel opens right
REM after) and loses nothing already written (channel 1 keeps writing to a
REM log file throughout; its lines are listed at the end).
OPEN (9)"<rm -rf t_bad; mkdir t_bad t_bad/dir && echo ready"
READ (9)A$
CLOSE (9)
PRINT A$
SERIAL "t_bad/s"
SERIAL "t_bad/log"
OPEN LOCK (1)"t_bad/log"
WRITE (1)"before anything failed"
REM ---- a missing file ----
OPEN (2)"t_bad/missing"
PRINT ERR
READ (2)A$
PRINT ERR
OPEN (2)"t_bad/s"
PRINT "channel 2 opened after the failure"
CLOSE (2)
WRITE (1)"after the missing file"
REM ---- a directory opened as a file ----
OPEN (2,BIN=1)"t_bad/dir"
PRINT ERR
OPEN -(2)"t_bad/dir"
PRINT ERR
OPEN (2)"t_bad/dir"
WRITE (2)"into a directory"
PRINT ERR
READ (2)A$
PRINT "the listing still reads: ",A$
CLOSE (2)
WRITE (1)"after the directory"
REM ---- channel numbers out of range, or taken ----
OPEN (-1)"t_bad/s"
PRINT ERR
OPEN (70000)"t_bad/s"
PRINT ERR
OPEN (65001)"t_bad/s"
PRINT ERR
OPEN (1E6)"t_bad/s"
PRINT ERR
OPEN (1E1)"t_bad/s"
OPEN (10)"t_bad/s"
PRINT ERR
CLOSE (10)
OPEN (128)"t_bad/s"
PRINT ERR
OPEN (1)"t_bad/s"
PRINT ERR
OPEN (63)"t_bad/s"
PRINT "channel 63 opened"
CLOSE (63)
REM the log is held exclusively by channel 1: busy for any other channel
OPEN (2)"t_bad/log"
PRINT ERR
WRITE (1)"after the channel numbers"
REM ---- pipe commands that fail ----
OPEN (3)"<no_such_command_anywhere 2>/dev/null"
WAIT 1
READ (3)A$
PRINT ERR
READ (3)A$
PRINT "end of data stays: ",ERR
CLOSE (3)
OPEN (3)"|exit 3"
WAIT 1
READ (3)A$
CLOSE (3)
OPEN (3)">exit 0"
WAIT 1
WRITE (3)"nobody reads this"
PRINT ERR
CLOSE (3)
OPEN (3)"<echo fine"
READ (3)A$
PRINT A$
CLOSE (3)
WRITE (1)"after the pipes"
REM ---- records longer than the buffer ----
OPEN LOCK (4,SIZ=8)"t_bad/s"
WRITE (4)"first"
WRITE (4)DIM(1000,"x")
WRITE (4)"last"
CLOSE (4)
OPEN (4,SIZ=8)"t_bad/s"
READ (4)A$
READ (4)B$
READ (4)C$
PRINT A$," ",LEN(B$)," ",C$
CLOSE (4)
OPEN (4,BIN=4)"t_bad/s"
WRITE (4)"abcdefgh"
PRINT ERR
READ (4,IND=0)A$
PRINT A$
CLOSE (4)
OPEN (4,SIZ=16)"|cat"
WRITE (4)DIM(40,"y")
WRITE (4,IND=0)
READ (4)A$
READ (4)B$
READ (4)C$
PRINT LEN(A$)," ",LEN(B$)," ",LEN(C$)
READ (4)A$
PRINT ERR
CLOSE (4)
WRITE (1)"after the long records"
REM ---- creation with an option word it does not take ----
SERIAL "t_bad/opt",0,0,OPT="X"
PRINT ERR
SERIAL "t_bad/opt",SIZ=10
OPEN (4)"t_bad/opt"
10 SERIAL "t_bad/opt",1,2,OPT="X",ERR=30
REM ---- the form is refused when the line is entered: the line stays a failed line until replaced ----
10 GOTO 40
20 PRINT "no error?"
30 PRINT "ERR= taken: error",ERR
40 ERASE "t_bad/opt",ERR=60
50 PRINT "no error?"
60 PRINT "ERASE of what was never made: error",ERR
70 WRITE (1)"after the creations"
200 REM ---- nothing written was lost ----
210 CLOSE (1)
220 OPEN (1)"t_bad/log"
230 READ (1,END=260)A$
240 PRINT A$
250 GOTO 230
260 CLOSE (1)
270 OPEN (9)"<rm -rf t_bad; echo cleaned"
280 READ (9)A$
290 CLOSE (9)
300 PRINT A$
RUN
