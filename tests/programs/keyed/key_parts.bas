REM KEY= in parts builds the key as the file stores it.  A file made with
REM parameter NK keeps each segment at its width (a short value, then zero
REM bytes): "A":"B" on segments of 4 and 2 bytes is A, three zero bytes, B.
REM Without NK a key holds the values one after another: "A":"B" is AB.
SET_PARAM 'NK'
KEYED "kp1.tmp","[1:1:4]+[2:1:2]",0,64
OPEN (1)"kp1.tmp"
WRITE (1)"A","B"
WRITE (1)"AC","D"
PRINT HTA(KEF(1))
READ (1,KEY="A":"B")X$,Y$
PRINT X$,Y$
READ (1,KEY="AC":"D")X$,Y$
PRINT X$,Y$
PRINT HTA(KEY(1,KEY="A":"B"))
CLOSE (1)
SET_PARAM -'NK'
KEYED "kp2.tmp","[1:1:4]+[2:1:2]",0,64
OPEN (1)"kp2.tmp"
WRITE (1)"A","B"
WRITE (1)"ABCDEF","GH"
PRINT HTA(KEF(1))
READ (1,KEY="A":"B")X$,Y$
PRINT X$,Y$
REM A value longer than its segment is cut to the segment's width.
READ (1,KEY="ABCDXX":"GH")X$,Y$
PRINT X$,Y$
READ (1,KEY="A":"Q",ERR=*NEXT)X$,Y$
PRINT ERR
CLOSE (1)
ERASE "kp1.tmp"
ERASE "kp2.tmp"
