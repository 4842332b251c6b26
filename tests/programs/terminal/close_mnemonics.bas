REM The close mnemonics: a channel's '*X' definition names a program that
REM runs once, as an inline CALL, when the channel closes (a program that
REM closes the channel itself leaves the CLOSE nothing more to do; one that
REM is missing lets the CLOSE go on); its '*C' definition is the last output
REM the channel sends, on a pipe and on a serial file alike.
10 PRINT "close program runs for channel",LFA
20 IF LFA=5 THEN CLOSE (5); PRINT "and closes it"
30 EXIT
SAVE "onclose"
DELETE
10 OPEN (2)">cat > t_piped.txt"
20 MNEMONIC (2)'*C',"[end of output]"
30 MNEMONIC (2)'*X',"onclose"
40 PRINT (2)"line one"
50 CLOSE (2)
60 OPEN (3)"t_piped.txt"
70 READ (3,END=90)X$; PRINT "pipe:",X$
80 GOTO 70
90 CLOSE (3)
100 SERIAL "t_ser.txt"
110 OPEN LOCK (4)"t_ser.txt"
120 MNEMONIC (4)'*C',"tail"
130 MNEMONIC (4)'*X',"t_missing"
140 WRITE (4)"rec"
150 CLOSE (4)
160 OPEN LOCK (5)"t_ser.txt"
170 MNEMONIC (5)'*X',"onclose"
190 CLOSE (5)
200 OPEN (4)"t_ser.txt"
210 READ (4,END=230)X$; PRINT "serial:",X$
220 GOTO 210
230 CLOSE (4)
240 ERASE "t_ser.txt","t_piped.txt","onclose"
RUN
