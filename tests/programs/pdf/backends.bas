REM the library back end is chosen by PH at OPEN and stays with the channel
10 SET_PARAM 'PH'
20 OPEN (1)"*pdf*FILE=lib.pdf"
30 SET_PARAM -'PH'
40 PRINT (1)"made through the PDF library"
50 CLOSE (1)
60 OPEN (2)"lib.pdf"; READ RECORD (2,SIZ=8)A$; CLOSE (2); PRINT A$
70 PRINT FIN(1,ERR=80)
80 PRINT "closed:",ERR
RUN
