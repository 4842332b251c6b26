REM KEY= (a byte offset) on a serial channel that holds output not yet
REM written: a READ is refused (error 13) and moves nothing, so the output
REM is appended where it belongs; a WRITE with KEY= writes the earlier
REM lines at the end first, then its own record at the offset.
10 ERASE "t_skw",ERR=20
20 SERIAL "t_skw"
30 GOSUB 900
40 OPEN LOCK (1)"t_skw"
50 WRITE RECORD (1)"new1"
60 READ RECORD (1,KEY=$00000000$,ERR=80)X$
70 PRINT "read after write?"
80 PRINT "READ with KEY= after a write: error",ERR
90 CLOSE (1)
100 GOSUB 800
200 GOSUB 900
210 OPEN LOCK (1)"t_skw"
220 WRITE RECORD (1)"new1"
230 WRITE RECORD (1)"new2"
240 WRITE RECORD (1,KEY=$00000005$)"X"
250 WRITE RECORD (1)"new3"
260 CLOSE (1)
270 GOSUB 800
280 ERASE "t_skw"
290 END
800 OPEN (1)"t_skw"
810 READ RECORD (1,END=840)X$
820 PRINT "[",X$,"] ",
830 GOTO 810
840 PRINT
850 CLOSE (1)
860 RETURN
900 OPEN LOCK (1)"t_skw"
910 PURGE (1)
920 WRITE RECORD (1)"old1"; WRITE RECORD (1)"old2"; WRITE RECORD (1)"old3"; WRITE RECORD (1)"old4"
930 CLOSE (1)
940 RETURN
RUN
