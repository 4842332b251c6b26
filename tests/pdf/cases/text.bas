REM text, positions, pages and the document information of the own writer
10 OPEN (1,OPT="TITLE=Report (draft);AUTHOR=Ann\Lee;SUBJECT=Sales")"*pdf*FILE=text.pdf"
20 PRINT (1)"Invoice list"
30 PRINT (1)@(10,3),"Column ten, line three",@(60),"right"
40 PRINT (1)@(0,5),"a",@(5),"b",@(2),"c"
50 FOR I=1 TO 3; PRINT (1)"line ",I; NEXT I
60 PRINT (1)'FF',"Second page",
70 PRINT (1)@(20,62),"last line"
80 PRINT FIN(1,"BYTESLEFT"),FIN(1,"TEXTUSEDHEIGHT")
90 CLOSE (1)
100 PRINT "done"
RUN
