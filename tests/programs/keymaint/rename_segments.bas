REM RENAME of a segmented keyed file takes its segment files with it (each
REM "name.001" ... whose header marks it a segment), after checking that
REM none of the new segment names exists (error 12, nothing renamed).
REM OPT= texts other than ALLSEG and CISAM set nothing and are no error, on
REM ERASE, RENAME, REFILE and OPEN.  A numbered file that is no segment
REM ends the walk and stays.
10 SET_PARAM 'MB'=1
20 KEYED "t_seg",8,0,-400,SIZ=1
30 OPEN (1)"t_seg"
40 FOR I=1 TO 3000
50 WRITE (1,KEY=STR(I:"00000000"))STR(I)+DIM(380,"r")
60 NEXT I
70 CLOSE (1)
80 GOSUB 900
90 SERIAL "t_new.001"
100 RENAME "t_seg","t_new",ERR=120
110 PRINT "renamed over an existing segment name"
120 PRINT "RENAME refused:",ERR
130 GOSUB 900
140 ERASE "t_new.001"
150 RENAME "t_seg","t_new",OPT="whatever"
160 GOSUB 900
170 OPEN (1,OPT="nothing")"t_new"
180 READ (1,KEY="00003000")A$
190 PRINT "last record:",A$(1,4)
200 CLOSE (1)
210 REFILE "t_new",OPT="nothing"
220 OPEN (1)"t_new"
230 READ (1,KEY="00000001",DOM=240)A$
240 PRINT "emptied:",ERR
250 CLOSE (1)
260 ERASE "t_new",OPT="ALLSEG"
270 GOSUB 900
280 SERIAL "t_plain"; SERIAL "t_plain.001"
290 RENAME "t_plain","t_moved",OPT="ALLSEG"
300 GOSUB 900
310 ERASE "t_moved","t_plain.001",OPT="other"
320 GOSUB 900
330 STOP
900 OPEN (9)"<ls t_* 2>/dev/null | tr '\n' ' '; echo"
910 READ (9)L$; CLOSE (9)
920 PRINT "files: ",L$
930 RETURN
RUN
