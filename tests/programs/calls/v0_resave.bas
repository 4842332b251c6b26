REM A program read in the old format and saved again with SV 1 is written in
REM the new format with its labels resolved (a label table of one label).
20 TOP: A=A+1
30 IF A<3 THEN GOTO TOP
40 PRINT A
SET_PARAM 'SV'=0
SAVE "v0"
DELETE
SET_PARAM 'SV'=1
LOAD "v0"
SAVE "v0to1"
OPEN (1)"<od -An -tu1 -j117 -N2 v0to1"
READ (1)B$
CLOSE (1)
PRINT "labels:",B$
RUN "v0to1"
