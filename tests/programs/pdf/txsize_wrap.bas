REM TXW( and TXH( cut at a width by the font's own flags: without W a line holds what fits, with W whole words
10 OPEN (1)"*pdf*FILE=x.pdf"
20 REM Courier 12 at 65 sixteenths: 29 points, four characters a line
30 PRINT TXW(1,"AB CD",65),TXH(1,"AB CD",65)
40 PRINT TXW(1,"AB CD",65,"Courier,-12,W"),TXH(1,"AB CD",65,"Courier,-12,W")
50 CLOSE (1)
RUN
