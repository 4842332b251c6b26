REM Pipe channels: reading a command's output, writing to its input, both
REM directions with the input ended by WRITE IND=, and the refusals.  WP
REM makes CLOSE wait for the command, so its output file is complete.
10 OPEN (1)"<printf 'x\ny\n'"
20 READ RECORD (1,END=50)A$
30 PRINT "read [",A$,"]"
40 GOTO 20
50 PRINT "command ended: error",ERR
60 READ RECORD (1,END=70)A$
70 PRINT "still the end: error",ERR
80 WRITE RECORD (1,ERR=100)"x"
90 PRINT "no error?"
100 PRINT "writing a read pipe: error",ERR
110 CLOSE (1)
200 OPEN (2)"|sort"
210 FOR I=1 TO 5
220 WRITE RECORD (2)CHR(ASC("f")-I)
230 NEXT I
240 WRITE (2,IND=0)
250 READ RECORD (2,END=280)A$
260 PRINT A$,
270 GOTO 250
280 PRINT
290 CLOSE (2)
300 OPEN (3)">cat > t_pipe_out.txt"
310 WRITE RECORD (3)"through cat"
320 READ RECORD (3,ERR=340)A$
330 PRINT "no error?"
340 PRINT "reading a write pipe: error",ERR
345 SET_PARAM 'WP'
350 CLOSE (3)
355 SET_PARAM -'WP'
360 OPEN (4)"<cat t_pipe_out.txt; rm t_pipe_out.txt"
370 READ RECORD (4)A$
380 PRINT "cat wrote: ",A$
390 CLOSE (4)
400 OPEN (5)"<exit 3"
410 READ RECORD (5,ERR=430)A$
420 PRINT "no error?"
430 PRINT "failed command: error",ERR
440 CLOSE (5)
450 OPEN (6)"<no_such_command_here 2>/dev/null"
460 READ RECORD (6,ERR=480)A$
470 PRINT "no error?"
480 PRINT "missing command: error",ERR
490 CLOSE (6)
RUN
