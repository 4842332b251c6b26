REM TRACE (channel) to a pipe or a memory file writes there, as to any other
REM channel: a pipe gets the traced lines and TRACE PRINT's text as lines
REM of its output, a memory file a record per line.  The traced statements'
REM own options (a KEY= on the memory file) do not reach the trace lines.
10 OPEN (1)"*memory*"
20 OPEN (2)">cat > t_piped.txt"
30 TRACE (1)
40 A=1
50 WRITE (1,KEY="k")"keyed"
60 ENDT
70 TRACE (2)
80 B=2
90 TRACE PRINT "printed"
100 ENDT
110 CLOSE (2)
120 READ (1,ERR=140)X$
130 PRINT "memory:",X$; GOTO 120
140 PRINT "end of memory file:",ERR
150 OPEN (3)"t_piped.txt"
160 READ (3,END=180)X$
170 PRINT "pipe:",X$; GOTO 160
180 CLOSE (3)
190 ERASE "t_piped.txt"
RUN
