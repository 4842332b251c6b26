REM A channel's I/O program answers the key and record functions and sees
REM the information functions: PRE_KEY and PRE_IND supply their values (an
REM IND( answer that is no number is error 26), a function whose entry the
REM program lacks asks the file, POST_FIN runs after FIN( and RCD( runs
REM PRE_READ and POST_READ.  FIN( "PRINTER_STATUS" of a serial file is "1".
10 END
100 PRE_KEY: ENTER HOW,K$,N,REC$
110 REC$="key from the program"; EXIT -2
200 PRE_IND: ENTER HOW,K$,N,REC$
210 IF BAD THEN REC$="many" ELSE REC$="41"
220 EXIT -2
300 POST_FIN: PRINT "POST_FIN ran"; EXIT
400 PRE_READ: ENTER HOW,K$,N,REC$; PRINT "PRE_READ ran"; EXIT
500 POST_READ: PRINT "POST_READ ran"; EXIT
SAVE "watcher"
DELETE
10 KEYED "k","[1:1:4]",0,40
20 OPEN (1)"k"; WRITE (1)"A001","one"; WRITE (1)"A002","two"
30 SDEV (1)PROGRAM "watcher"
40 PRINT "KEY: ",KEY(1)
50 PRINT "IND: ",IND(1)
60 BAD=1; PRINT IND(1,ERR=70); PRINT "not here"
70 PRINT "IND( answered with text: error",ERR; BAD=0
80 PRINT "KEF: ",KEF(1)," KEL: ",KEL(1)
90 PRINT "records: ",FIN(1,"NUMREC")
100 R$=RCD(1,KEY="A002"); PRINT "RCD: ",LEN(R$)>0
110 CLOSE (1)
120 SERIAL "s"; OPEN (2)"s"; PRINT "printer status of a serial file: ",FIN(2,"PRINTER_STATUS"); CLOSE (2)
RUN
