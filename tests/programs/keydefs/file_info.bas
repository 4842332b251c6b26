REM FILE: files described by a file-information string in the layouts that
REM parameter FF selects (here 3: kind, key length, records, record length,
REM name), the kinds it maps and refuses, and strings of the wrong length.
10 OPEN (9)"<rm -rf t_fi; mkdir t_fi && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 PRINT A$
100 SET_PARAM 'FF'=3
110 FILE $00$+$00$+$0000000A$+$0014$+"t_fi/ind"
120 OPEN (1)"t_fi/ind"
130 WRITE (1,IND=9)"last"
140 WRITE (1,IND=10,ERR=160)"past"
150 PRINT "past the limit?"
160 PRINT "kind 0 is indexed with a limit of 10: error",ERR
170 CLOSE (1)
180 FILE $03$+$00$+$00000000$+$0000$+"t_fi/ser"
190 OPEN (1)"t_fi/ser"
200 PRINT "kind 3 is serial: ",FIN(1,"FILE_CREATE")
210 CLOSE (1)
220 FILE $07$+$00$+$00000000$+$0000$+"t_fi/bad",ERR=240
230 PRINT "kind 7 created?"
240 PRINT "kind 7: error",ERR
250 FILE $02$+$0A$+$00000000$+$0064$+"t_fi/key",ERR=270
260 PRINT "kind 2 created"; GOTO 280
270 PRINT "kind 2: error",ERR
280 FILE $00$+$00$+$00000000$+$0014$+"    ",ERR=300
290 PRINT "empty name created?"
300 PRINT "empty name: error",ERR
310 FILE $00$+$00$+$00000000$,ERR=330
320 PRINT "eight bytes taken?"
330 PRINT "eight bytes: error",ERR
340 SET_PARAM 'FF'=1
350 FILE "abcdefghijklmnopqrstu",ERR=370
360 PRINT "21 bytes taken?"
370 PRINT "layout 1 of 21 bytes: error",ERR
380 SET_PARAM 'FF'=2
385 REM six name bytes, kind, key length, 15-bit records and record length
390 FILE "ind2  "+$00$+$00$+$0005$+$8008$+"    "
410 OPEN (2)"ind2"
420 PRINT "layout 2: ",FIN(2,"FILE_CREATE")
425 WRITE (2,IND=5,ERR=427)"x"
426 PRINT "a sixth record?"
427 PRINT "record limit 5: error",ERR
430 CLOSE (2)
440 ERASE "ind2"
450 OPEN (9)"<rm -rf t_fi; echo done"
460 READ (9)A$
470 CLOSE (9)
480 PRINT A$
RUN
