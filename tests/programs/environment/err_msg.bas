REM ERR( over a list of numbers, and items of the last-error record
10 CWD "/no/such/directory",ERR=20
20 PRINT ERR,ERR(12,0,12),ERR(0,12,5),ERR(1,2,3)
30 PRINT ERR("Err"),ERR("erx"),ERR("Stno"),"[",ERR("Nothing"),"]"
40 PRINT ERR("*")
RUN
REM messages by number, by key and from a template
PRINT MSG(20)
PRINT MSG(513)
PRINT MSG(-2)
PRINT MSG(-:1)=MSG(-)
PRINT MSG("UNKNOWN"),"|",MSG("UNKNOWN","a","b"),"|"
DEF MSG("GREET","Hello %1, you are %2%% late: %3.")
PRINT MSG("GREET","Ann","very")
PRINT MSG(="%0 at the end %","x")
PRINT MSG(="%A and %B, not %a","1","2","3","4","5","6","7","8","9","ten","eleven")
PRINT MSG("K",5)
A$="x"; PRINT LEN(MSG("K",A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$))
PRINT MSG("K",A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$,A$)
PRINT "[",MSG(/),"]"
DEF RET=258; PRINT MSG(-)=MSG(258)
DEF MSG(-1,"an extended text"); PRINT MSG(-1)
