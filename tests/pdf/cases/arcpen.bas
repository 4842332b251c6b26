REM an arc is drawn whatever the pen style in the library back end (a hairline with pen style 0); the own writer draws no arc with pen style 0; OPEN then CLOSE saves the library back end's one page
10 OPEN (1)"*pdf*FILE=arcpen.pdf"
20 PRINT (1)"Arcs"
30 PRINT (1)PEN(0,8,"RGB:200,0,0"),ARC(400,400,300,1,270,90)
40 CLOSE (1)
50 OPEN (1)"*pdf*FILE=blank.pdf"
60 CLOSE (1)
70 OPEN (2,ERR=90)"blank.pdf"; READ RECORD (2,SIZ=5)A$; CLOSE (2)
80 PRINT "OPEN then CLOSE: ",A$; GOTO 100
90 PRINT "OPEN then CLOSE: no file"
100 PRINT "done"
RUN
