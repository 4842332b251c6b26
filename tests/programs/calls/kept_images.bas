REM Called programs are kept by the process between calls (PC stays 0):
REM each call still starts with cleared variables, sees a program saved,
REM copied over, erased or renamed since the last call, and PUB( shows no
REM idle program after the call returns.
10 ENTER A,B$,C
20 PRINT "in: X=",X,", Y$=""",Y$,""", Z%=",Z%,", A=",A,", B$=",B$
30 X=X+A; Y$=Y$+B$; Z%=7.5; C=C+1; DIM D[3]; D[1]=5
40 EXIT
SAVE "sub"
DELETE
10 PRINT "other version"; EXIT
SAVE "sub.two"
DELETE
10 FOR I=1 TO 3; CALL "sub",I,"s",N; NEXT I
20 PRINT "N=",N
30 P$=PUB(0,ERR=50)
40 PRINT "a program stayed listed"
50 PRINT "PUB(0): error",ERR
60 INVOKE "cp sub.two sub"
70 CALL "sub",1,"",N
80 ERASE "sub"
90 CALL "sub",1,"",N,ERR=110
100 PRINT "called an erased program?"
110 PRINT "erased: error",ERR
120 RENAME "sub.two","sub"
130 CALL "sub",1,"",N
RUN
REM A SAVE over the called program's file is seen at the next call.
DELETE
10 PRINT "saved again"; EXIT
SAVE "sub"
DELETE
CALL "sub"
REM After CWD a relative name is looked up again in the new directory.
INVOKE "mkdir d"
DELETE
10 PRINT "the one in d"; EXIT
SAVE "d/sub"
CALL "sub"
CWD "d"
CALL "sub"
CWD ".."
CALL "sub"
REM A data set loaded since the last call wins over the kept variables.
DELETE
10 PRINT "B$=",B$; B$="own"; EXIT
SAVE "shows"
CLEAR
CALL "shows"
CALL "shows"
B$="from the data set"
SAVE DATA "dset",B$
CLEAR
LOAD DATA "dset"
CALL "shows"
DROP DATA "dset"
CALL "shows"
REM The directory above a kept program moved away and another put in its
REM place: the name now stands for the new directory's file.
CALL "d/sub"
INVOKE "mv d d.old && mkdir d && cp sub d/sub"
CALL "d/sub"
REM The file replaced by another renamed over it.
INVOKE "cp d.old/sub d/sub.new && mv d/sub.new d/sub"
CALL "d/sub"
