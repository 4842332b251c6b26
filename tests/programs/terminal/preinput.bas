REM PREINPUT on a console that reads plain lines: each entry is a whole answer, oldest first, NEXT in front
PREINPUT "typed ahead"
PREINPUT "with ctl",5
PREINPUT NEXT "first"
PREINPUT 3
INPUT A$; PRINT "[",A$,"] ",CTL
INPUT A$; PRINT "[",A$,"] ",CTL
INPUT A$; PRINT "[",A$,"] ",CTL
INPUT A$; PRINT "[",A$,"] ",CTL
REM a negative CTL value reads as 0 without the line editor; a number answer converts
PREINPUT "42",-1017
INPUT N; PRINT N+1,CTL
REM then the keyboard (here the next line of the session)
INPUT A$
from the keyboard
PRINT "[",A$,"]"
REM CTL values out of range
PREINPUT "x",70000
PREINPUT 99999
REM mouse regions without a screen are kept; their refusals
SETMSE @(0,0,8000,2400),1
SETMSE @(0,0,8001,100),1
SETMSE @(0,2400,100,100),1
SETMSE "",1
SETMSE 5,1
SETMSE "OK",RELEASE "PRINT 1"
SETMSE "OK",RELEASE "PRINT ("
SETMSE CLEAR; SETMSE /CLEAR
