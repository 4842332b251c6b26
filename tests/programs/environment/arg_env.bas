REM program arguments: none given, so only the start-up values and DEF ARG defaults answer
PRINT VNAR,ARG(0)<>"",ARG(-1)<>"",ARG(-2)<>"",ARG(-3)="",ARG(-4)<>""
PRINT ARG(1)
PRINT ARG(-5)
DEF ARG(2)="two"; PRINT VNAR,"[",ARG(1),"][",ARG(2),"]"
PRINT ARG(3)
DEF ARG(2); PRINT VNAR
REM fields of a string
PRINT ARG("a;b;c",1,";"),ARG("a;b;c",3,";"),"[",ARG("a;b;c",4,";"),"]"
PRINT ARG("a;b;",2,";"),"[",ARG("a;b;",3,";"),"]"
PRINT ARG("x"+SEP+"y",2)
PRINT ARG("a;b",0,";")
PRINT ARG("a;b",1,"")
PRINT ARG(EDIT "a;b;c",2,"X",";")
PRINT ARG(EDIT "a;b",4,"X",";")
PRINT ARG(EDIT "a;b;",4,"X",";")
PRINT ARG(EDIT "",1,"X",";")
DEF SEP(",;"); PRINT ARG("p;q,r",2),ARG("p;q;r",2)
DEF SEP("")
REM the environment
PRINT ENV("ORULIB")<>"",ENV("ORU_NO_SUCH_VARIABLE_X")=""
10 X$=ENV("ORU_NO_SUCH_VARIABLE_X",ERR=30)
20 PRINT "not reached"
30 PRINT "ERR=",ERR
RUN
PRINT ENV("")
PRINT POS("="=ENV(0))>1
PRINT ENV(-1)
PRINT ENV(1000000)
