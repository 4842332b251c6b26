REM bad input gives its error and the previous document of the name survives
10 OPEN (1,ERR=30,OPT="FORM=x:0x0")"*pdf*FILE=keep.pdf"
20 STOP
30 PRINT "zero page:",ERR,MSG(-1)
40 OPEN (1,ERR=60,OPT="MARGINS=5i:1:5i:1")"*pdf*FILE=keep.pdf"
50 STOP
60 PRINT "margins:",ERR,MSG(-1)
70 OPEN (1)"*pdf*FILE=keep.pdf"
80 PRINT (1)"this report is abandoned"
90 PRINT (1,ERR=110)PIC(0,0,160,160,"missing.jpg")
100 STOP
110 PRINT "missing:",ERR
120 PRINT (1,ERR=140)PIC(0,0,160,160,"fake.jpg")
130 STOP
140 PRINT "not a picture:",ERR,MSG(-1)
150 PRINT (1,ERR=170)PIC(0,0,160,160,"logo.gif")
160 STOP
170 PRINT "kind:",ERR
180 PRINT (1,ERR=200)FNT("Nonesuch Sans",-12,"")
190 STOP
200 PRINT "font:",ERR,MSG(-1)
210 PRINT (1)'AB',"ignored"
215 FOR I=1 TO 200; PRINT (1)"after abandoning, text and graphics go nowhere ",I,LIN(0,0,160,160),; NEXT I
220 CLOSE (1)
230 OPEN (1)"*pdf*FILE=keep.pdf"; CLOSE (1)
240 OPEN (2)"keep.pdf"; READ (2)A$; CLOSE (2); PRINT A$
250 OPEN (1)"*pdf*FILE=new.pdf"; CLOSE (1)
260 OPEN (2,ERR=280)"new.pdf"
270 STOP
280 PRINT "empty document:",ERR
290 SET_PARAM 'EG'
300 OPEN (1)"*pdf*FILE=ignored.pdf"; PRINT (1)PIC(0,0,160,160,"fake.jpg"),FNT("Nonesuch",-12,""),"Courier"; CLOSE (1)
310 SET_PARAM -'EG'
320 PRINT "ignored"
RUN
