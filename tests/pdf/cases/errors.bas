REM bad input gives its error; a document without pages leaves no file of its name, nor does 'AB' (own writer)
10 OPEN (1,ERR=30,OPT="MARGINS=5i:1:5i:1")"*pdf*FILE=keep.pdf"
20 STOP
30 PRINT "margins:",ERR,MSG(-1)
40 OPEN (1,OPT="FORM=x:0x0")"*pdf*FILE=keep.pdf"; PRINT "a form of no size keeps the page"
50 CLOSE (1)
60 OPEN (2,ERR=70)"keep.pdf"; PRINT "a document without pages left a file"; CLOSE (2)
70 PRINT "nothing printed: no file"
75 OPEN (1)"*pdf*FILE=keep.pdf"
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
172 PRINT (1,ERR=176)PIC(0,0,160,160,"mark.png")
174 PRINT "PNG: drawn"; GOTO 180
176 PRINT "PNG:",ERR,MSG(-1)
180 PRINT (1)FNT("Nonesuch Sans",-12,""),'DF',"unknown face"
200 PRINT "unknown face: no error"
210 PRINT (1)'AB',"ignored"
215 FOR I=1 TO 200; PRINT (1)"after abandoning, text and graphics go nowhere ",I,LIN(0,0,160,160),; NEXT I
220 CLOSE (1)
240 OPEN (2,ERR=260)"keep.pdf"; READ (2)A$; CLOSE (2); PRINT "after 'AB': ",A$(1,5); GOTO 290
260 PRINT "after 'AB': no file"
290 SET_PARAM 'EG'
300 OPEN (1)"*pdf*FILE=ignored.pdf"; PRINT (1)PIC(0,0,160,160,"fake.jpg"),FNT("Nonesuch",-12,""),"Courier"; CLOSE (1)
310 SET_PARAM -'EG'
320 PRINT "ignored"
RUN
