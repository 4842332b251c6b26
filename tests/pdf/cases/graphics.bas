REM lines, boxes, shading, pies, ellipses, arcs, polygons and pictures; fills keep their colours (red is not blue)
10 DEF FNP$(X,Y)=BIN(X,2)+BIN(Y,2)
20 DEF FNB$(T$,X,Y,X2,Y2,F$)=$1B$+"mn"+CHR(26)+CHR(10+LEN(T$)+LEN(F$))+FNP$(X,Y)+FNP$(X2,Y2)+CHR(LEN(T$))+T$+CHR(LEN(F$))+F$
30 OPEN (1)"*pdf*FILE=graphics.pdf"
40 PRINT (1)"Graphics"
50 PRINT (1)PEN(1,2,"Black"),FIL(1,"RGB:230,230,230"),RCT(0,48,1280,320)
60 PRINT (1)PEN(1,1,"RGB:200,0,0"),LIN(FNP$(16,64)+FNP$(640,300)+FNP$(1264,64))
70 PRINT (1)PEN(2,1,"Black"),LIN(0,340,1280,340)
80 PRINT (1)PEN(0,1,"Black"),FIL(1,"RGB:0,0,200"),PIE(200,480,96,1,0,90)
90 PRINT (1)FIL(1,"RGB:0,160,0"),PIE(200,480,96,1,90,200),FIL(1,"RGB:240,200,0"),PIE(200,480,96,1,200,360)
100 PRINT (1)PEN(1,2,"Black"),FIL(0,"White"),GCRC(560,480,96,2)
110 PRINT (1)PEN(1,4,"RGB:120,0,120"),ARC(900,480,80,1,30,300)
120 PRINT (1)PEN(1,1,"Black"),FIL(1,"RGB:255,160,160"),PGN(FNP$(80,640)+FNP$(240,640)+FNP$(160,760))
130 PRINT (1)PIC(400,600,560,720,"logo.jpg",2)
132 REM PNG pictures: the library back end draws them, the own writer takes JPEG files only (error 99)
134 PRINT (1,ERR=*NEXT)PIC(600,600,760,720,"mark.png",6),PIC(800,600,960,720,"stripes.png",2)
140 PRINT (1)FIL(1,"RGB:255,255,255")
142 PRINT (1,ERR=*NEXT)PIC(1000,600,1100,700,"grey.png",2),PIC(1120,600,1200,680,"interlaced.png",2)
150 PRINT (1)FNT("Helvetica",-14,"B"),FNB$("Box text centred",160,800,1120,880,"C")
160 PRINT (1)FNT("Times",-10,""),FNB$("Times ten",160,900,0,0,"")
170 CLOSE (1)
180 PRINT "done"
RUN
