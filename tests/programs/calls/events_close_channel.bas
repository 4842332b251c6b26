REM An event program may close the very channel its event is for: a
REM PRE_CLOSE program that closes it leaves the CLOSE nothing more to do,
REM in a CLOSE statement and in END's close of all channels; a PRE_WRITE
REM program that closes it ends the WRITE with error 13 and its record is
REM not written.  The channel number is free afterwards and the file opens
REM again.
10 END
100 PRE_CLOSE:
110 PRINT "PRE_CLOSE closes channel",LFA
120 CLOSE (LFA)
130 EXIT
200 PRE_WRITE:
210 PRINT "PRE_WRITE closes channel",LFA
220 CLOSE (LFA)
230 EXIT
SAVE "closer"
DELETE
SERIAL "cdata"
OPEN LOCK (1)"cdata"
SDEV (1)PROGRAM "closer"
CLOSE (1)
PRINT "closed once"
OPEN LOCK (1)"cdata"
PRINT "reopened"
CLOSE (1)
10 OPEN (3)"cdata"
20 SDEV (3)PROGRAM "closer"
30 OPEN (4)"cdata"
40 SDEV (4)PROGRAM "closer"
50 END
RUN
DELETE
10 OPEN LOCK (3)"cdata"
20 PRINT "channel 3 free again"
30 SDEV (3)PROGRAM "closer"
40 WRITE (3,ERR=60)"never"
50 PRINT "no error"
60 PRINT "WRITE error",ERR
70 WRITE (3,ERR=80)"x"
80 PRINT "channel 3 closed:",ERR
90 OPEN (3)"cdata"
100 READ (3,END=120)A$
110 PRINT "read",A$
120 PRINT "the record never reached the file:",ERR
130 CLOSE (3)
RUN
ERASE "cdata"
ERASE "closer"
