REM A PDF document opened under a PrinterFont in the ini file starts in that
REM font; a device channel that is no printer gets nothing.
10 OPEN (1)"*pdf*FILE=setup.pdf"
20 PRINT (1)"first line"
30 PRINT (1)"second line"
40 CLOSE (1)
50 OPEN (2,BIN=-1)"setup.pdf"; X$=""
60 READ RECORD (2,SIZ=4096,END=80)A$; X$=X$+A$; GOTO 60
80 CLOSE (2)
90 PRINT "font named in the document:",POS("/BaseFont /Helvetica"=X$)>0
100 PRINT "Courier, the font of OPEN, listed too:",POS("/BaseFont /Courier"=X$)>0
110 OPEN (3)"/dev/null"; PRINT (3)"plain"; CLOSE (3)
120 PRINT "device channel untouched"
RUN
