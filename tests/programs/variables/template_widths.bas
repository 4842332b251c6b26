REM A template field may be up to 100,000,000 wide; every fault of a
REM template (a width of 0 or past the limit, a binary width past 8, an
REM array of no elements, a missing type) is error 81.
DIM R$:"A:C(50000),B:N(3)"
R$.B=7; PRINT LEN(R$),"[",R$(49999),"]"
DIM S$:"BIG:N(100000000)"
PRINT "accepted"
DIM S$:"BIG:N(100000001)"
DIM S$:"A:C(0)"
DIM S$:"A:C(99999999999)"
DIM S$:"A[0]:C(2)"
DIM S$:"A:I(9)"
DIM S$:"A"
10 SETERR 30
20 DIM S$:"A:X(4)"
30 PRINT "trapped",ERR
RUN
