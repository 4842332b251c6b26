REM Malformed forms the compiler accepts (control directives and window,
REM graphics and other functions: a ',' or ':' too many, '/' or a keyword
REM where a value belongs, arguments a function does not take) are syntax
REM errors, never internal code errors; the console goes on.
LIST_BOX 5,LOAD,/
VARDROP_BOX 5,LOAD,/
CHART 5,LOAD,/
CHECK_BOX 5,
TRISTATE_BOX 5,1,2,3,4,KEY=
V_SCROLLBAR 5,
VBX 5,1,2,3,4,ERR=10
FOCUS:3
POPUP_MENU FOR 1,2
SHOW WRITE
SHOW:3
HIDE ADD
REMOVE CONTROL,
REMOVE CONTROL,LOAD,/
REMOVE CONTROL,DEFCTL
REMOVE CONTROL,AUTO
REMOVE CONTROL POP
RENAME CONTROL,READ
RENAME CONTROL,FIND
RENAME CONTROL,1,2,3,4,"x","y"
RENAME CONTROL WRITE
RENAME CONTROL:3
VIDEO_PALETTE FOR 1,2
ENABLE CONTROL READ X$
ENABLE CONTROL ERR=10
DISABLE CONTROL POP
X$=WDW(/,1)
X$=DRP(/,1)
X$=DRP2(1,2,3,4,5,6,7,8,9,10)
X$=GTO(1,2,3,4,5,6,7,8,9,10)
X$=GTO2(1,2,3,4,5,6,7,8,9,10)
X$=MVE(1,2,3,4,"t","f","o","x")
X$=SCR(1,2,ERR=10)
X$=CUR(1,2,ERR=10)
X$=MDE(1,"a")
X$=LPI(/)
X$=CPI(/)
X$=MXZ(/)
X$=MNZ(1,2,3,4,"t","f","o","x")
X$=STR(MXL(/,1))
X$=PIC(/,1)
X$=RCT(1:2)
X$=GCRC(/)
X$=FLD(1,/)
X$=FIL(/,1)
X$=CAP(1:2)
X$=FMSG(1,2,3,4,"t","f","o","x")
X$=MOPT(1,/)
X$=FCLR(1,/)
X$=BCLR(1,2)
X$=IMG(/)
X$=STR(@Y(/,1))
PRINT "the console goes on"
