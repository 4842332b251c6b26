REM ERASE and REFILE (with +E, on by default) remove the segment files of
REM a file, each "name.001" ... whose header marks it a segment; a plain
REM numbered file beside it is another file and stays.
10 SET_PARAM 'MB'=1
20 SERIAL "t_rep"; SERIAL "t_rep.001"
30 ERASE "t_rep"
40 GOSUB 900
50 ERASE "t_rep.001"
60 KEYED "t_key",8,0,40; SERIAL "t_key.001"
70 REFILE "t_key"
80 ERASE "t_key"
90 GOSUB 900
100 ERASE "t_key.001"
110 KEYED "t_seg",8,0,-400,SIZ=1
120 OPEN (1)"t_seg"
130 FOR I=1 TO 3000
140 WRITE (1,KEY=STR(I:"00000000"))DIM(390,"r")
150 NEXT I
160 CLOSE (1)
170 GOSUB 900
180 ERASE "t_seg"
190 GOSUB 900
200 STOP
900 OPEN (9)"<ls t_* 2>/dev/null | tr '\n' ' '; echo"
910 READ (9)L$; CLOSE (9)
920 PRINT "files: ",L$
930 RETURN
RUN
