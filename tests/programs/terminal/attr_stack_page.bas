REM 'SA' and 'RA' on a channel that is not a terminal screen: 'RA' takes the
REM attribute back, and with it the graphics characters that 'GS' began
REM (the text after 'RA' is written as it stands).  Pass-through mode: 'BM'
REM sets a page of 85 columns and 66 lines; 'DF' works them out again from
REM the page, whatever DPRT set meanwhile; with 'LS' it leaves them.
10 SERIAL "t_sa.txt"
20 OPEN LOCK (1)"t_sa.txt"
30 PRINT (1)'SA','GS','RA',"I"
40 PRINT (1)'SA','GS',"I",'SA','GE','RA',"I",'RA',"I"
50 CLOSE (1)
60 OPEN (1)"t_sa.txt"
70 READ (1,END=90)A$; PRINT "[",A$,"]"
80 GOTO 70
90 CLOSE (1)
100 ERASE "t_sa.txt"
110 OPEN (1)"/dev/null"
120 PRINT (1)'BM',; PRINT MXC(1),MXL(1)
130 DPRT (1)40,20; PRINT MXC(1),MXL(1)
140 PRINT (1)'DF',; PRINT MXC(1),MXL(1)
150 DPRT (1)40,20; PRINT (1)'LS','DF',; PRINT MXC(1),MXL(1)
160 CLOSE (1)
RUN
