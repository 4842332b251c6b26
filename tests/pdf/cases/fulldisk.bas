REM a document that meets the file-size limit: the error, and the previous file survives
10 OPEN (1,OPT="NOCOMPRESSION")"*pdf*FILE=keep.pdf"
20 FOR P=1 TO 40; FOR L=1 TO 60; PRINT (1)"page ",P," line ",L," some text to fill the page with"; NEXT L; NEXT P
30 CLOSE (1)
40 STOP
50 PRINT "unreachable"
RUN
PRINT ERR,MSG(-1)
CLOSE (1)
PRINT ERR
OPEN (2)"keep.pdf"; READ (2)A$; CLOSE (2); PRINT A$
