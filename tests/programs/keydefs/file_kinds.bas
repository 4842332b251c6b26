REM FILE maps kind 5 to a directory; a key segment of length 0 in the
REM segment string is error 41 and makes no file.
SET_PARAM 'FF'=3
FILE $05$+$00$+$00000000$+$0000$+"fdir"
OPEN (1)"fdir"; PRINT "directory opened"; CLOSE (1)
REM a directory that exists is error 12, as DIRECTORY gives
FILE $05$+$00$+$00000000$+$0000$+"fdir"
FILE $00$+$04$+$00000005$+$0010$+"fix1",$00FF000004000000$+$FF$
FILE $00$+$04$+$00000005$+$0010$+"fix2",$00FF000000000000$+$FF$
OPEN (1)"fix2"
ERASE "fix1"
SET_PARAM 'FF'=0
