REM What FIN( tells of an EFF channel: records, limit, keys, the key
REM definition, and the FILE_CREATE text that makes the same file again.
10 KEYED "fi","[1:1:4],[2:1:3:""DU""]",5000,30,OPT="1X"
20 OPEN (1)"fi"
30 WRITE (1)"A001","xyz"; WRITE (1)"A002","abc"
40 PRINT FIN(1,"NUMREC")," ",FIN(1,"MAXREC")," ",FIN(1,"MAXKNO")," ",FIN(1,"BUFFERS")," ",FIN(1,"EXTRACT")
50 PRINT HTA(FIN(1,"KEY_DEFINITION"))
60 T$=FIN(1,"FILE_CREATE"); PRINT T$
70 EXTRACT (1,KEY="A002")X$; PRINT "extracted: ",FIN(1,"EXTRACT"); READ (1,KEY="A001")X$
80 PRINT "ordinal of xyz by key 1: ",RNO(1,KEY="xyz",KNO=1)
90 CLOSE (1); ERASE "fi"; EXECUTE T$; OPEN (1)"fi"
100 PRINT "made again alike: ",FIN(1,"FILE_CREATE")=T$
110 CLOSE (1); ERASE "fi"
RUN
