PRINT "hello"

A=6*7
PRINT A
10 REM a stored line changes the prompt
PRINT "after"
