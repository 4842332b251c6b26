REM With system parameter +L, the second number after a SAVE name picks the
REM prefix list whose first directory a new program file goes to; a list
REM that holds nothing or a number outside 0..35 (no such list) is error 4.
REM Without +L the number is read and has no effect.
PREFIX (0)"sp_one/ sp_two/",(1)"sp_two/"
SET_PARAM '+L'=1
10 PRINT "hello"
SAVE "p1",0,1
SAVE "p2",0,0
SAVE "p3",0,7
SAVE "p3",0,40
REM An existing file with creation numbers is error 12; plain SAVE finds it.
SAVE "p1",0,1
SAVE "p1"
SET_PARAM '+L'=0
SAVE "p4",0,7
PREFIX ""
RUN "sp_two/p1"
