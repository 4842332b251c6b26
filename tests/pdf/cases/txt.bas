REM TXT( builds the text mnemonics: x, y [, x2, y2], text [, flags], long texts too
10 OPEN (1)"*pdf*FILE=txt.pdf"
20 T$=""; FOR I=1 TO 40; T$=T$+"long text "; NEXT I
30 PRINT (1)TXT(160,160,0,0,"Text at a point"),TXT(160,320,"padded")
40 PRINT (1)TXT(0,480,1280,560,"centred in a box","C"),TXT(0,600,640,900,T$,"W")
50 PRINT (1)TXT(0,960,1280,0,"right","R")
60 CLOSE (1)
70 PRINT "done"
RUN
