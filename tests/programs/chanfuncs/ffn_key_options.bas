10 REM FFN( with a channel bound and a scope
20 INVOKE "rm -rf oru_ffn; mkdir oru_ffn; printf 'ab\n' >oru_ffn/s.txt"
30 OPEN (2)"oru_ffn/s.txt"
40 OPEN (7)"oru_ffn/s.txt"
50 PRINT FFN("oru_ffn/s.txt"),FFN("oru_ffn/s.txt",3),FFN("oru_ffn/s.txt",8)
60 PRINT FFN("oru_ffn/s.txt",65002,ERR=70)
70 PRINT "bound out of range",ERR
80 PRINT FFN("oru_ffn/s.txt",0,"E",ERR=90)
90 PRINT "scope outside an object",ERR
140 CLOSE (2); CLOSE (7)
150 INVOKE "rm -rf oru_ffn"
RUN
