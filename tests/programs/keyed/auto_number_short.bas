REM Auto-numbered key segments ("#" zero-filled, "+" blank-filled, "I"
REM binary) take the next number when the field is empty or shorter than the
REM segment: the field is widened with zero bytes before its value is read,
REM so such records no longer collide and replace each other.
10 KEYED "zero","[1:1:6:""#""]",0,-60
20 OPEN (1)"zero"
30 WRITE (1)"","first"; WRITE (1)"","second"
40 WRITE (1)"000010","given"; WRITE (1)"","after the given one"
50 READ (1,KEY="",DOM=60)
60 READ (1,END=80)K$,N$; PRINT "[",K$,"] ",N$; GOTO 60
80 CLOSE (1)
100 KEYED "blank","[1:1:5:""+""]",0,-60
110 OPEN (1)"blank"
120 WRITE (1)"","one"; WRITE (1)"","two"
130 READ (1,KEY="",DOM=140)
140 READ (1,END=160)K$,N$; PRINT "[",K$,"] ",N$; GOTO 140
160 CLOSE (1)
200 KEYED "bin","[0:1:2:""I""]",0,-20
210 OPEN (1)"bin"
220 WRITE RECORD (1)""; WRITE RECORD (1)$00$; WRITE RECORD (1)"x"
230 READ (1,KEY="",DOM=240)
240 READ RECORD (1,END=260)R$; PRINT HTA(R$(1,2)); GOTO 240
260 CLOSE (1)
RUN
