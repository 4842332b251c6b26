REM a text box exactly as wide as a Courier word keeps it on one line; one unit (a sixteenth of a column) narrower wraps it
10 DEF FNB$(B$,X,Y,X2,Y2,F$)=$1B$+"mx"+CHR(41)+BIN(13+LEN(B$)+LEN(F$),4)+BIN(X,2)+BIN(Y,2)+BIN(X2,2)+BIN(Y2,2)+BIN(LEN(B$),4)+B$+CHR(LEN(F$))+F$
20 DEF FNL$(T$)=T$+": "+TBL(NUM(FIN(1,"BYTESLEFT"))>0,"one line","wrapped")
30 OPEN (1)"*pdf*FILE=wordfit.pdf"
40 REM Courier 12: a column is 7.2 points, five letters 36 points, 80 sixteenths of a column
50 PRINT (1)FNT("Courier",-12,"")
60 PRINT (1)FNB$("ABCDE",0,160,80,187,"*TEXT"); PRINT FNL$("exact")
70 PRINT (1)FNB$("VWXYZ",0,320,79,347,"*TEXT"); PRINT FNL$("narrower")
80 PRINT (1)FNB$("ABCDE FGHIJ",0,480,80,534,"*TEXT"); PRINT FNL$("two words, exact")
90 PRINT (1)FNB$("KLMNO PQRST",0,640,79,694,"*TEXT"); PRINT FNL$("two words, narrower")
100 CLOSE (1)
RUN
