REM IOL(RECORD ch): the record-template name kept with a channel (RECORD is
REM the '?' of the I/O forms); none here, so the text is empty.  It takes
REM ERR= like the other channel functions and lists back as written.
10 OPEN (1)"*memory*"
20 PRINT "[",IOL(RECORD 1),"] length ",LEN(IOL(RECORD 1))
30 PRINT IOL(RECORD 7,ERR=50)
40 PRINT "channel 7 is open?"
50 PRINT "channel 7: error",ERR
60 C=1; PRINT "an expression as channel: [",IOL(RECORD (C*1))+IOL(RECORD C),"]"
70 PRINT IOL(RECORD 70000,ERR=90)
80 PRINT "channel 70000?"
90 PRINT "channel 70000: error",ERR
100 CLOSE (1)
RUN
LIST
PRINT IOL(RECORD 1,2)
PRINT IOL(RECORD)
PRINT LEN(RECORD 1)
