REM Items of an I/O list are separated by ",": a word that is no item (FROM)
REM or two items side by side are syntax errors when the line is compiled,
REM at the console and on a program line alike; the lines that did not
REM compile stop the run.  The usual forms still compile and list back.
SERIAL "iols"
OPEN (1)"iols"
WRITE (1)"a" FROM 2
WRITE (1)"a" 5
READ (1)A$ B$
10 WRITE (1)"a" FROM 2
20 READ (1,IND=0)A$,B$ C$
30 WRITE (1,IND=0)"x",*,N:"##0",ERR=50
40 READ (1,IND=0,END=50)A$,*,N,B$:CHR(4)
50 INPUT (0,ERR=60)'CS',@(0,0),"name? ",Z$,
60 EXTRACT RECORD (1,IND=0,DOM=70)R$
70 INPUT EDIT "e? ",Z$
LIST
RUN
CLOSE (1)
ERASE "iols"
