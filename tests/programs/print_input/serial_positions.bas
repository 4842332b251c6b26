10 INVOKE "rm -f oru_pi_pos.txt"
20 SERIAL "oru_pi_pos.txt"
30 OPEN LOCK (1)"oru_pi_pos.txt"
40 PRINT (1)"Name",@(10),"Qty",@(16),"Price"
50 PRINT (1)"abc",@(10),5,@(16),2.5
60 REM a trailing separator keeps the line open for the next PRINT
70 PRINT (1)"part one;",
80 PRINT (1)" part two"
90 REM a column left of the current one overwrites inside the line
100 PRINT (1)"xxxxxxxx",@(2),"YY"
110 PRINT (1)'LF',"after a blank line"
120 PRINT (1)@(3,8),"line 8"
130 PRINT (1)"n:",-1.5,1.25:"##0.00","ab":"XXXX"
140 CLOSE (1)
150 OPEN (1)"oru_pi_pos.txt"
160 READ (1,END=200)A$
170 PRINT "[",A$,"]"
180 GOTO 160
200 PRINT "end"; CLOSE (1); ERASE "oru_pi_pos.txt"
RUN
