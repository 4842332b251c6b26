REM The console that is not a terminal (this transcript) runs the output
REM machine: the field separator byte (parameter FS, $8A$) is a line feed,
REM ESC and two characters is a mnemonic ('CS' does nothing here, an unknown
REM one is error 29), ESC 1 and a column positions, TBL= maps each byte, and
REM the bytes of a sequence count no column, so @( lands right after them.
PRINT "x"+$8A$+"y"
PRINT "a"+$1B$+"CS"+"b"
PRINT "ab"+$1B$+"CS",@(6),"Z"
PRINT "ab"+$1B$+$01$+CHR(5)+"Q"
PRINT "ab"+$1B$+"@1"+CHR(4)+"Q"
PRINT "q"+$1B$+"XY"+"r"
PRINT (0,TBL=$01$+"XY")"abc"
PRINT "a"+$1B$,
PRINT "CS"+"b"
PRINT "one",/,"two"
PRINT /
REM In UTF-8 mode a character of several bytes takes one column.
SET_PARAM 'U8'=1
PRINT $C3A9C3A9$,@(5),"|"
SET_PARAM 'U8'=0
