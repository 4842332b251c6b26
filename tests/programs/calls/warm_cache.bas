REM Calls of a program kept by the program cache (PC 3) start warm while
REM its file is unchanged; a new file under its name is seen at the next
REM call once this process dropped the program (an ERASE), the running
REM program's calls too.
DELETE
10 ENTER A
20 PRINT "one: A=",A," L=",L; L=A
30 EXIT
SAVE "pcv"
DELETE
10 ENTER A,B$
20 PRINT "two: A=",A," B$=",B$
30 EXIT
SAVE "pcv.two"
DELETE
10 SET_PARAM 'PC'=3
20 FOR I=1 TO 3; CALL "pcv",I; NEXT I
30 INVOKE "cp pcv.two pcv"; ERASE "drop.mark",ERR=*NEXT
40 FOR I=4 TO 6; CALL "pcv",I,"s"+STR(I); NEXT I
50 ERASE "pcv"; CALL "pcv",0,"",ERR=70
60 PRINT "called an erased program?"
70 PRINT "erased: error",ERR
80 SET_PARAM 'PC'=0
90 CALL "pcv",7,"t",ERR=110
100 PRINT "called an erased program?"
110 PRINT "erased: error",ERR
RUN
