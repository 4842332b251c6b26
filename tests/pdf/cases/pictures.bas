REM thirty pictures under thirty names, each written once; the files may go before CLOSE; VIEW runs the viewer utility
10 OPEN (1,OPT="VIEW")"*pdf*FILE=pictures.pdf"
20 N$="logo.jpg"
30 FOR I=0 TO 29
40 PRINT (1)PIC(MOD(I,6)*200,INT(I/6)*160,MOD(I,6)*200+160,INT(I/6)*160+120,N$,6),
50 N$="./"+N$
60 NEXT I
70 PRINT (1)PIC(0,900,160,1020,"logo.jpg",3),PIC(200,900,500,1020,"logo.jpg",3)
80 PRINT (1)@(0,50),"thirty pictures"
90 CLOSE (1)
100 PRINT "closed"
RUN
