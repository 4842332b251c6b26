REM Number fields READ takes in one pass (a sign, at most 18 digits, one
REM point) and those it leaves to the general conversion, with the same
REM values and errors either way.
INVOKE "printf '7\212\n-7\212\n+7\212\n1.\212\n.5\212\n-.25\212\n0.000\212\n-0\212\n123456789012345678\212\n1234567890123456789\212\n12345678901234567890\212\n1.2.3\212\n.\212\n-\212\n+\212\n\212\n1e3\212\n 4\212\n4 \212\n12a\212\n00012.500\212\n9.99999999999999999\212\n' > rnf.txt"
10 OPEN (1)"rnf.txt"; PRECISION 18
20 READ (1,END=60,ERR=50)X
30 PRINT X,
40 GOTO 20
50 PRINT "err",ERR,; GOTO 20
60 PRINT; PRINT "end"; PRECISION 2; CLOSE (1); ERASE "rnf.txt"
RUN
