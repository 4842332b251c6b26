REM MENU_BAR on a text terminal: the menu id 0 is error 41 before the
REM utility runs (ERR= takes it), as on the thin client.
10 MENU_BAR 0,"&File,",ERR=30
20 PRINT "no error"; STOP
30 PRINT "id 0:",ERR
40 MENU_BAR 1-1,"x"
RUN
