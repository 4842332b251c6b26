REM ERR( over a list of numbers, and items of the last-error record
10 SETERR 20; CWD "/no/such/directory"
20 SETERR 0; PRINT ERR,ERR(12,0,12),ERR(0,12,5),ERR(1,2,3)
30 PRINT ERR("Err"),ERR("erx"),ERR("Stno"),"[",ERR("Nothing"),"]"
40 PRINT ERR("*")
REM an error an ERR= branch takes changes ERR, not the last-error record
50 OPEN (1,ERR=60)"no such file"
60 PRINT ERR,ERR("Err"),ERR("Stno"); X=NUM("x",ERR=70)
70 PRINT ERR,ERR("Err"),ERR("Stno")
RUN
PRINT ERR,ERR("Err"),ERR("Stno")
X=1/0
PRINT ERR,ERR("Err"),ERR("Stno")
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
