REM STR( of a value its mask cannot hold: error 43, or under parameter FI
REM the value unformatted (a number as STR(x), a string unchanged); a
REM further argument is the result first, ERR= takes the error before FI.
PRINT STR(123456:"##0",ERR=*NEXT)
PRINT STR(123456:"##0","fallback")
SET_PARAM 'FI'
PRINT STR(123456:"##0")
PRINT STR("abcd":"XXX")
PRINT STR(123456:"##0","fallback")
10 PRINT STR(123456:"##0",ERR=30)
20 PRINT "not here"
30 PRINT "err",ERR
RUN
SET_PARAM -'FI'
REM DEC( of more than eight bytes: each byte past the eighth multiplies by
REM 256 and adds itself; past 19 digits the value keeps its leading ones.
PRINT DEC($0100000000000000FF$)
PRINT DEC($00800000000000000000$)
PRINT DEC($FFFFFFFFFFFFFFFFFF$)
PRINT DEC($000000000000000001FF$)
PRINT DEC($7F$+DIM(120,$FF$),ERR=*NEXT)
REM STP(MNEMONIC s) removes escape mnemonics: ESC and two bytes, and after
REM ESC "mn" also its code byte, a length byte and that many bytes.
PRINT STP(MNEMONIC "a"+$1B$+"CSb"+$1B$+"mn"+$0103$+"xyzc")
PRINT HTA(STP(MNEMONIC "end"+$1B$+"C"))
PRINT LEN(STP(MNEMONIC $1B$+"mn"+$01FF$+"ab"))
