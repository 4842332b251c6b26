REM global strings: set, read, replace, list and clear
PRINT GBL("CUSTOMER","ACME"),"/",GBL("CUSTOMER")
PRINT GBL("REGION","north"),"/",GBL("CUSTOMER","ACME LTD"),"/",GBL("CUSTOMER")
PRINT GBL("a b","lower case is another name"),"/",GBL("A B")
X$=GBL(LIST); PRINT LEN(X$),X$(LEN(X$))=SEP
PRINT ARG(X$,1),"|",ARG(X$,2),"|",ARG(X$,3)
REM they live for the process: CLEAR and a program run keep them
CLEAR
10 PRINT "in the program:",GBL("REGION")
20 X$=GBL("COUNT","1")
RUN
PRINT GBL("COUNT")
REM removing
PRINT "[",GBL("!CLEAR","REGION"),"]"; PRINT GBL("REGION")
PRINT GBL("!CLEARTO","a b"); PRINT GBL(LIST)=("CUSTOMER"+SEP)
PRINT GBL("!CLEARTO","NOBODY")
PRINT GBL(DELETE,"CUSTOMER"),GBL(DELETE,"CUSTOMER")
Y$=GBL("K1","1"); Y$=GBL("K2","2"); Y$=GBL("!CLEARALL")
PRINT GBL("K1")
PRINT GBL("K2")
PRINT "[",GBL(LIST),"]"
Y$=GBL("K3","3"); Y$=GBL(DELETE); PRINT GBL("K3")
REM names are 1 to 255 bytes; the commands take their own operands
PRINT GBL("")
PRINT GBL(DIM(256,"n"),"x")
PRINT LEN(GBL(DIM(255,"n"),"x"))
PRINT GBL("!LIST","x")
PRINT GBL("!CLEAR")
