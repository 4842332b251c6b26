REM Numbers in typed fields (SEP "*ERR*") take the smallest width that
REM holds them: each bound and the number past it read back as written.
OPEN (2)"*memory*"; SDEV (2) SEP "*ERR*"
WRITE (2)127,128,-128,-129,32767,32768,-32768,-32769,2^31-1,2^31,-2^31,-2^31-1
READ (2,IND=0)A,B,C,D,E,F,G,H,I,J,K,L
PRINT A,B,C,D,E,F,G,H,I,J,K,L
READ RECORD (2,IND=0)R$; PRINT HTA(R$)
CLOSE (2)
