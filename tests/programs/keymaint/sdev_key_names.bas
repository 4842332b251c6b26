REM SDEV (channel) KNO=key, name names a key of a keyed channel for that
REM channel: KNO="name" (in any case) then selects it.  A key number
REM outside the channel's keys, a name beginning "#", a name another key of
REM the channel has, or a channel without keys is error 80; an empty name
REM drops the key's name; a key may be given its own name again (in
REM another case).  Another channel of the same file knows nothing of the
REM name.
10 KEYED "t_kn","[1:1:4],[1:5:4]",0,40
20 OPEN (1)"t_kn"
30 WRITE (1)"AAAAzzzz"
40 WRITE (1)"BBBByyyy"
50 SDEV (1)KNO=1,"second"
60 READ (1,KNO="second",KEY="yyyy")A$; PRINT "by second:",A$
70 READ (1,KNO="SECOND",KEY="zzzz")A$; PRINT "by SECOND:",A$
75 SDEV (1)KNO=1,"Second"; READ (1,KNO="second",KEY="yyyy")A$; PRINT "own name again:",A$
80 SDEV (1,ERR=90)KNO=2,"third"; PRINT "not here"
90 PRINT "key 2:",ERR
100 SDEV (1,ERR=110)KNO=0,"#x"; PRINT "not here"
110 PRINT "name #x:",ERR
120 SDEV (1,ERR=130)KNO=0,"second"; PRINT "not here"
130 PRINT "name of key 1 for key 0:",ERR
140 OPEN (2)"t_kn"
150 READ (2,KNO="second",KEY="yyyy",ERR=160)A$; PRINT "not here"
160 PRINT "other channel:",ERR
170 SDEV (1)KNO=1,""
180 READ (1,KNO="second",KEY="yyyy",ERR=190)A$; PRINT "not here"
190 PRINT "name dropped:",ERR
200 SERIAL "t_ser"; OPEN (3)"t_ser"
210 SDEV (3,ERR=220)KNO=0,"k"; PRINT "not here"
220 PRINT "no keys:",ERR
230 CLOSE (1); CLOSE (2); CLOSE (3)
240 ERASE "t_kn","t_ser"
RUN
