REM A loaded program whose file another process replaced is read again
REM once this process drops it (an ERASE here); one kept resident by ADDR
REM stays as it was loaded until DROP.
10 PRINT "version one"; EXIT
SAVE "worker"
INVOKE "cp worker worker.one"
DELETE
10 PRINT "version two, longer"; EXIT
SAVE "worker.new"
DELETE
10 SET_PARAM 'PC'=5
20 CALL "worker"
30 INVOKE "cp worker.new worker"; ERASE "drop.mark",ERR=*NEXT
40 CALL "worker"
50 INVOKE "cp worker.one worker"; ERASE "drop.mark",ERR=*NEXT
60 ADDR "worker"
70 CALL "worker"
80 INVOKE "cp worker.new worker"; ERASE "drop.mark",ERR=*NEXT
90 CALL "worker"
100 DROP "worker"; ERASE "drop.mark",ERR=*NEXT
110 CALL "worker"
RUN
REM ADDR twice is harmless; DROP of a program that is not resident is
REM error 17, as is ADDR of a file that is not a program.
ADDR "worker"
ADDR "worker"
DROP "worker"
DROP "worker"
SERIAL "notes.txt"
ADDR "notes.txt"
REM PUB( reads the loaded-program list, the most recently used first.
ADDR "worker"
P$=PUB(0); PRINT ASC(P$(3,1)),DEC(P$(4,2)),P$(17)
P$=PUB(1)
DROP "worker"
