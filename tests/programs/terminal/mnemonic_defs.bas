10 REM MNEMONIC on a serial file: the definition language, redefinition, deletion and refusals
25 SERIAL "mnem.txt"
30 OPEN LOCK (1)"mnem.txt"
40 MNEMONIC (1)'XA',"<\Ca>",'XB',"<\CA>",'XL',"<\L2>",'XP',"<\L+ b>"
50 PRINT (1)'XA','XB'
60 PRINT (1)"abc",'XA','XB'
70 FOR I=1 TO 5; PRINT (1)""; NEXT I
80 PRINT (1)'XL'
90 REM line 8 plus 32 as a byte is "("
100 PRINT (1)'XP'
110 REM a table lookup: line 10 is outside the table of three bytes, so the escape ends and b is text
120 MNEMONIC (1)'XT',"[\Lt"+CHR(3)+"xyzb]",'XU',"[\L-"+CHR(9)+"t"+CHR(3)+"xyzb]"
130 PRINT (1)'XT','XU'
140 REM a second definition replaces the first; an empty one deletes it
150 MNEMONIC (1)'XA',"first",'XA',"second"
160 PRINT (1)'XA'
170 MNEMONIC (1)'XA',""
180 PRINT (1,ERR=190)'XA'
190 PRINT "deleted: error ",ERR
200 REM "\\" sends one backslash; a trailing backslash is dropped; an unknown format byte is consumed
210 MNEMONIC (1)'XS',"a\\b\Cz!\"
220 PRINT (1)'XS'
230 MNEMONIC (1)$1B$+"YY","ok"
240 PRINT (1)'YY'
250 MNEMONIC (1,ERR=260)"YY","x"
260 PRINT "two characters: error ",ERR
270 MNEMONIC (1,ERR=280)"ABC","x"
280 PRINT "no ESC: error ",ERR
290 MNEMONIC (1,ERR=300)'YY',"x":300,2
300 PRINT "p1 of 300: error ",ERR
310 CLOSE (1)
320 OPEN (1)"mnem.txt"
330 READ (1,END=350)A$; PRINT "|",A$,"|"; GOTO 330
350 CLOSE (1); ERASE "mnem.txt"
RUN
