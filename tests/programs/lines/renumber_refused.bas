REM RENUMBER clears the console breakpoints: the one set on line 20 does
REM not stop the line that takes number 20.  DELETE of the whole program
REM clears them too.  RENUMBER under an active GOSUB is error 58 and leaves
REM the program as it was.
10 PRINT "ten"
20 PRINT "twenty"
30 PRINT "thirty"
40 PRINT "forty"
> +20
RENUMBER 5,5
LIST
RUN
> +10
DELETE
10 PRINT "new ten"
20 PRINT "new twenty"
RUN
DELETE
10 GOSUB 100
20 PRINT "back"
30 END
100 RENUMBER 1000,10
110 RETURN
RUN
LIST
