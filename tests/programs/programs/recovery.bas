10 REM Error recovery: a SETERR handler that repairs and retries, the
20 REM skip (65002) form and setting the restart form (65001), the ERR variable, and an
30 REM error raised inside the handler.  Expected output worked out by hand.
40 DIM AMT$[1:6],V[1:6]
50 AMT$[1]="12.50"; AMT$[2]="7"; AMT$[3]="abc"; AMT$[4]="-3.25"
60 AMT$[5]=""; AMT$[6]="1e2"
70 REM --- 1. a handler that repairs bad input and retries the statement
80 SETERR 1000
90 FOR I=V[ALL]
100 V[I]=NUM(AMT$[I])
110 NEXT I
120 SETERR OFF
130 T=0
140 FOR I=V[ALL]; T=T+V[I]; PRINT "V[",STR(I),"]=",V[I]; NEXT I
150 PRINT "Total",T,"repairs",FIX
160 REM --- 2. division by zero caught, the divisor replaced, then RETRY
170 SETERR 1100
180 D=0; TRIES=0
190 Q=100/D
200 PRINT "Quotient",Q,"after",TRIES,"tries"
210 REM --- 3. skip mode: each failing statement is simply passed over
220 SETERR 65002
230 A=1; B=1/0; C=3
240 X$="abc"; Y$=X$(5,1); Z$="ok"
250 PRINT "Skip mode:",A,B,C,Z$,"last error",ERR
260 REM --- 4. restart mode is set and cleared again without an error
270 SETERR 65001; N=1; SETERR OFF
310 PRINT "Restart mode left with N =",N
320 REM --- 5. an error inside the handler is not caught again
330 SETERR 1200
340 PRINT "Before"
350 Y=SQR(-1)
360 PRINT "Not reached"
370 END
1000 REM repair a bad amount: count it, use 0, and try the statement again
1010 FIX=FIX+1
1020 PRINT "Error",ERR,"on amount",I,"(",AMT$[I],") replaced by 0"
1030 AMT$[I]="0"
1040 SETERR 1000
1050 RETRY
1100 TRIES=TRIES+1
1110 PRINT "Error",ERR,"dividing by",D
1120 D=D+4
1130 SETERR 1100
1140 RETRY
1200 PRINT "Handler caught error",ERR
1210 Z=1/0
1220 PRINT "Not reached either"
RUN
PRINT "Console: ERR is",ERR
