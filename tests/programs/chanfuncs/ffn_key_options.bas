10 REM FFN( with a channel bound and a scope; option words a key function does not take
20 INVOKE "rm -rf /tmp/oru_ffn; mkdir /tmp/oru_ffn; printf 'ab\n' >/tmp/oru_ffn/s.txt"
30 OPEN (2)"/tmp/oru_ffn/s.txt"
40 OPEN (7)"/tmp/oru_ffn/s.txt"
50 PRINT FFN("/tmp/oru_ffn/s.txt"),FFN("/tmp/oru_ffn/s.txt",3),FFN("/tmp/oru_ffn/s.txt",8)
60 PRINT FFN("/tmp/oru_ffn/s.txt",65002,ERR=70)
70 PRINT "bound out of range",ERR
80 PRINT FFN("/tmp/oru_ffn/s.txt",0,"E",ERR=90)
90 PRINT "scope outside an object",ERR
100 PRINT KEY(2,OPT="x",ERR=110)
110 PRINT "OPT= in KEY(",ERR
120 PRINT IND(2,SEP=",",ERR=130)
130 PRINT "SEP= in IND(",ERR
140 CLOSE (2); CLOSE (7)
150 INVOKE "rm -rf /tmp/oru_ffn"
RUN
