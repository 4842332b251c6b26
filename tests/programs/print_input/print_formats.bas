REM PRINT takes the field formats of WRITE: the value goes through the
REM format (a fixed length padded or cut, NUM('s digits, a closing
REM delimiter after the field) and is printed as it stands, with no blank
REM before a number.  INPUT of a whole array reads every element in turn.
10 SERIAL "t_pf.txt"
20 OPEN LOCK (1)"t_pf.txt"
30 PRINT (1)"ab":CHR(5),"|"
40 PRINT (1)7:NUM(4),"|"
50 PRINT (1)"long text":CHR(4),"|"
60 PRINT (1)"cd":CHR(";"),"|"
70 PRINT (1)12:"###.00","|",3.5:CHR(6),"|"
80 DIM N[2]; N[0]=1; N[1]=22; N[2]=333
90 PRINT (1)N[ALL]:NUM(3)
100 CLOSE (1)
110 OPEN (1)"t_pf.txt"
120 READ (1,END=140)A$; PRINT "[",A$,"]"
130 GOTO 120
140 CLOSE (1)
150 ERASE "t_pf.txt"
160 PRINT (0,ERR=180)"x":NUM(3)
170 STOP
180 PRINT "a string through NUM(: error",ERR
RUN
DIM R[2],S$[1]
INPUT R[ALL],S$[ALL]
1
-2.5
300
first
second
PRINT R[ALL]; PRINT S$[ALL]
INPUT "prompt: ",R[ALL]:"###"
7
8
9
PRINT R[ALL]
