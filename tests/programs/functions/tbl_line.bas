REM TBL(s,TBL=line) applies the table of the TABLE statement on that line
REM (a label names it too); a line without one is error 21.  RANDOM is not
REM available (error 99), and its own ERR= takes that.
10 RANDOM ERR=50
20 PRINT "not taken"; STOP
50 PRINT "RANDOM:",ERR
60 CODES: TABLE $0357585A59$
70 PRINT TBL("ab",TBL=60)
80 PRINT TBL("dc"+"ba",TBL=CODES)
90 PRINT TBL("ab",TBL=50,ERR=110)
100 STOP
110 PRINT "no table:",ERR
RUN
