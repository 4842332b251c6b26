REM the own writer's document: Courier is the first font from OPEN on, a later font takes /F2; the resources'
REM ProcSet and an empty ModDate; PRINT wraps at the 80 columns of Courier 12 on Letter; FORM= keeps a size of 0
10 OPEN (1,OPT="NOCOMPRESSION")"*pdf*FILE=doc.pdf"
20 PRINT (1)FNT("Helvetica",-10,""),'DF',"in Helvetica"
30 PRINT (1)FNT("Courier",-12,""),'DF',DIM(80,"a")+"bbbbb"
40 CLOSE (1)
50 OPEN (2,BIN=-1)"doc.pdf"; X$=""
60 READ RECORD (2,SIZ=4096,END=80)A$; X$=X$+A$; GOTO 60
80 CLOSE (2)
90 PRINT "Courier is /F1:",POS("/Name /F1"+$0D0A$+"/BaseFont /Courier"+$0D0A$=X$)>0
100 PRINT "Helvetica is /F2:",POS("/Name /F2"+$0D0A$+"/BaseFont /Helvetica"+$0D0A$=X$)>0
110 PRINT "ProcSet:",POS("/ProcSet [ /PDF /Text /ImageC]"=X$)>0,"  ModDate:",POS("/ModDate ()"=X$)>0
120 PRINT "80 columns then a new line:",POS("("+DIM(80,"a")+")"=X$)>0,POS("(bbbbb)"=X$)>0
130 OPEN (1,OPT="FORM=Letter:8.5x11;NOCOMPRESSION")"*pdf*FILE=form.pdf"; PRINT (1)"x"; CLOSE (1)
140 OPEN (2,BIN=-1)"form.pdf"; READ RECORD (2,SIZ=4096)A$; CLOSE (2)
150 PRINT "8.5 by 11 keeps the height:",POS("/MediaBox [ 0 0 612 792]"=A$)>0
160 ERASE "doc.pdf"; ERASE "form.pdf"
RUN
