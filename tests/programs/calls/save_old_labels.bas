REM SAVE in the old format (SV 0) reports undefined labels under message 55
REM and labels defined twice by name alone, without their lines.
10 GOTO NOWHERE
20 TWICE: PRINT 1
30 TWICE: PRINT 2
40 END
SET_PARAM 'SV'=0
SAVE "oldlab"
SET_PARAM 'SV'=1
SAVE "newlab"
