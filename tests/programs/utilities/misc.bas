REM SNBF sets the keyed-file buffer count, parameter BF
SNBF 1
SNBF 2
SNBF 101
SNBF 0; PRINT PRM('BF')
SNBF 25; PRINT PRM('BF')
REM LFRM and SFRM clear and set SF; ALCK OFF and ON set and clear XI
SFRM; PRINT PRM('SF'); LFRM; PRINT PRM('SF')
ALCK OFF; PRINT PRM('XI'); ALCK ON; PRINT PRM('XI')
REM RNDZ seeds the generator
RNDZ 77; A=RND(100000); RNDZ 77; PRINT A=RND(100000)
REM ERRH names the error-handler program (SETERR "name" too)
ERRH READ E$; PRINT "[",E$,"]"
ERRH "errprog"; ERRH READ E$; PRINT E$
SETERR "other"; ERRH READ E$; PRINT E$
10 X=1/0
RUN
ERRH; ERRH READ E$; PRINT "[",E$,"]"
RUN
ERRH READ N
REM SDRV is not supported; its ERR= branch is taken
SDRV "C"
DELETE
10 SDRV 2,ERR=30
20 STOP
30 PRINT "SDRV failed with",ERR
RUN
REM SFID, SDEV and DPRT on channels
DELETE
INVOKE "rm -f t_misc.txt"
SERIAL "t_misc.txt"
OPEN LOCK (2)"t_misc.txt"
SFID (2)"LEDGER"; PRINT FID(2)
SFID (2)""
SFID (2)"THIRTEEN CHRS"
SDEV (2)SEP ";"; PRINT SEP(2)
SDEV (2)SEP "*ERR*"
SDEV (2)SEP ";;"
SDEV (2)SEP ""; PRINT "[",SEP(2),"]"
SDEV (2)SEP ","
SDEV (2)"TERM01"
SDEV (2)PROGRAM ""
SDEV (2)PROGRAM "ioprog"
SDEV (2)KNO=1,"NAME"
SDEV (8)"X"
10 IOLIST A$,B
20 SDEV (2)IOLIST 10
30 A$="first"; B=1; WRITE (2)
40 A$="second"; B=2; WRITE (2)
50 CLOSE (2); OPEN (2)"t_misc.txt"
60 READ (2)L$,N; PRINT L$,N; READ (2)L$,N; PRINT L$,N
70 STOP
RUN
DPRT (2)80,24
DPRT (2)256,24
DPRT (8)80,24
REM LNSW to something that is not a terminal leaves the console as it was
LNSW
LNSW 0
LNSW 2
PRINT PTH(2)<>""
LNSW 44
LNSW "t_misc.txt"
PRINT FFN("t_misc.txt")
LNSW "no_such_file"
CLOSE (2)
INVOKE "rm -f t_misc.txt"
