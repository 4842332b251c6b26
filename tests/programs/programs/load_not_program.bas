REM LOAD of a file that is not a program leaves the current program alone
10 PRINT "current program"
20 END
LOAD "not_program.bin"
PRINT ERR,ERR("OSerr")
LOAD "letter.txt"
PRINT ERR,ERR("OSerr")
RUN "letter.txt"
LIST
RUN
REM program text with one bad line still loads
LOAD "text_prog.txt"
LIST
RUN
