REM Line-graphics characters in a PDF document, drawn as filled bars by both
REM back ends (the own writer first, then the library): "A" right and down,
REM "5" read as "D" (left and up), "x" and ":" (read as "G") all four bars;
REM after MNEMONIC 'GD' the channel's own masks: "A" up and down, "B" left
REM and right, "C" none, "D" past the definition's end all four.
10 FOR K=1 TO 2
20 IF K=2 THEN SET_PARAM 'PH'
30 OPEN (1,OPT="NOCOMPRESSION")"*pdf*FILE=gr.pdf"
40 SET_PARAM -'PH'
50 PRINT (1)'GS',"A5x:",'GE'
60 MNEMONIC (1)'GD',$0A0500$
70 PRINT (1)'GS',"ABCD",'GE'
80 CLOSE (1)
90 OPEN (2,BIN=-1)"gr.pdf"; X$=""
100 READ RECORD (2,SIZ=4096,END=120)A$; X$=X$+A$; GOTO 100
120 CLOSE (2); ERASE "gr.pdf"
130 PRINT "back end",K
140 L$=""
150 FOR I=1 TO LEN(X$)
160 C$=X$(I,1)
170 IF C$<>$0A$ AND C$<>$0D$ THEN L$=L$+C$ ELSE IF LEN(L$)>3 AND POS(" re"=L$)=LEN(L$)-2 THEN PRINT "  ",L$; L$="" ELSE L$=""
180 NEXT I
190 NEXT K
RUN
