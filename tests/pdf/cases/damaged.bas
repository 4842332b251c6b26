REM damaged pictures are refused (error 5) and the document goes on, those libpng only warns about too; a negative pen width draws as width 0, the rest of the document kept; the library back end opens the document at the page of its last picture
10 OPEN (1)"*pdf*FILE=damaged.pdf"
20 PRINT (1,ERR=30)PIC(0,0,320,320,"cut.png",2); PRINT "cut drawn"
30 PRINT "cut: ",ERR
40 PRINT (1,ERR=50)PIC(0,0,320,320,"nopalette.png",2); PRINT "no palette drawn"
50 PRINT "no palette: ",ERR
60 PRINT (1,ERR=70)PIC(0,0,320,320,"shortinterlaced.png",2); PRINT "short interlaced drawn"
70 PRINT "short interlaced: ",ERR
80 PRINT (1,ERR=90)PIC(0,0,320,320,"huge.png",2); PRINT "huge drawn"
90 PRINT "huge: ",ERR
92 PRINT (1,ERR=94)PIC(0,0,320,320,"overlong.png",2); PRINT "overlong drawn"
94 PRINT "overlong: ",ERR
96 PRINT (1,ERR=98)PIC(0,0,320,320,"baddatacheck.png",2); PRINT "bad data check drawn"
98 PRINT "bad data check: ",ERR
100 PRINT (1)"after the pictures"
110 PRINT (1)PEN(1,-2,"Black"),LIN(0,0,100,100)
120 PRINT (1)"after the pen"
130 PRINT (1)'FF',"the picture's page"; PRINT (1,ERR=140)PIC(0,400,100,500,"mark.png",2)
140 CLOSE (1)
150 PRINT "closed"
RUN
