REM Graphics characters on a channel that is not a terminal screen: between
REM 'GS' and 'GE' a printable byte is drawn with plain bytes from its bars
REM ("-" across, "|" up and down, "+" for corners, tees and the cross, a
REM blank without bars), by the channel's 'GD' definition or the built-in
REM one ("A".."K", the digits and ":" read as letters); a channel whose
REM driver defines 'GS' has switched the device to its own set and gets the
REM bytes as they stand.
10 SERIAL "t_gr.txt"
20 OPEN LOCK (1)"t_gr.txt"
30 PRINT (1)'GS',"AEB",'GE',"AEB"
40 PRINT (1)'GS',"FxF",'GE'
50 PRINT (1)'GS',"C4D 0123456789:",'GE'
60 MNEMONIC (1)'GD',$0A0500$
70 PRINT (1)'GS',"ABCD",'GE'
80 MNEMONIC (1)'GS',"<g>"
90 MNEMONIC (1)'GE',"</g>"
100 PRINT (1)'GS',"AEB",'GE'
110 CLOSE (1)
120 OPEN (1)"t_gr.txt"
130 READ (1,END=150)A$; PRINT "[",A$,"]"
140 GOTO 130
150 CLOSE (1)
160 ERASE "t_gr.txt"
RUN
