REM an EFF file takes keys up to 255; ADD INDEX for one more is error 80
10 OPEN (9)"<rm -rf t_ixlim; mkdir t_ixlim && echo ready"
20 READ (9)A$
30 CLOSE (9)
40 KEYED "t_ixlim/k",[1:1:4],0,-100,OPT="1"
50 OPEN (1)"t_ixlim/k"; WRITE (1)"abcd"; CLOSE (1)
60 FOR I=1 TO 254
70 ADD INDEX [1:1:1] ON "t_ixlim/k",ERR=900
80 NEXT I
90 ADD INDEX [1:1:1] ON "t_ixlim/k",ERR=110
100 PRINT "not reached"
110 PRINT "256th key: error",ERR
120 ADD INDEX [1:1:2]+[1:3:1] ON "t_ixlim/k",ERR=140
130 PRINT "not reached"
140 PRINT "again: error",ERR
150 OPEN (1)"t_ixlim/k"
160 READ (1,KNO=254,KEY="a")X$
170 PRINT "key 254 finds ",X$
180 CLOSE (1)
190 OPEN (9)"<rm -rf t_ixlim; echo done"
200 READ (9)A$
210 CLOSE (9)
220 PRINT A$
230 END
900 PRINT "error",ERR,"at key",I
910 END
RUN
