REM A class whose methods run from a described program: every call (the
REM first that loads it and the later ones) runs with the program's own
REM description, as the copies saved inside the method show; a class
REM without a description beside it (its copies have none).
DELETE
10 DEF CLASS "DC"
20 FUNCTION F(X)
30 ENTER X
40 IF X=4 THEN SAVE "dc_copy"+STR(X)
50 RETURN X+1
60 FUNCTION END
70 END DEF
SAVE "DC.orc",IND=106,DSC="Methods with a description"
DELETE
10 DEF CLASS "NC"
20 FUNCTION F(X)
30 ENTER X
40 IF X=4 THEN SAVE "nc_copy"+STR(X)
50 RETURN X+1
60 FUNCTION END
70 END DEF
SAVE "NC.orc",IND=108
DELETE
10 H=NEW("DC"); N=NEW("NC")
20 FOR I=1 TO 4; PRINT H'F(I),N'F(I); NEXT I
30 DROP OBJECT H; DROP OBJECT N
RUN
LOAD "dc_copy4"
SAVE "dc_copy4",IND=110
LOAD "nc_copy4"
SAVE "nc_copy4",IND=112
DELETE
