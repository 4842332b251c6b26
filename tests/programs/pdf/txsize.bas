REM TXW( and TXH( of a PDF channel: sixteenths of a column, cut at a width, in a font string
10 OPEN (1)"*pdf*FILE=x.pdf"
20 PRINT TXW(1,"Hello"),TXH(1,"Hello"),TXW(1,""),TXH(1,"a",0)
30 PRINT TXW(1,"Hello world again",48),TXH(1,"Hello world again",48)
40 PRINT TXW(1,"WWW",0,"Helvetica,-24"),TXW(1,"iii",0,"Helvetica,-24")
50 PRINT TXW(1,"x",0,"Arial,2")
60 CLOSE (1)
70 PRINT TXW(0,"x")
RUN
