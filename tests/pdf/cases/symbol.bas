REM Symbol keeps its own encoding in the own writer: its letters are Greek, not Latin
10 OPEN (1)"*pdf*FILE=symbol.pdf"
20 PRINT (1)FNT("Symbol",-24,""),'DF',"abgdp"
30 PRINT (1)FNT("Courier",-12,""),'DF',"plain"
40 CLOSE (1)
RUN
