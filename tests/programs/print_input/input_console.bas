10 REM INPUT on the console: prompts, a number refused and asked again, empty answers
20 INPUT "Your name: ",N$
30 INPUT (0,ERR=100)"Quantity: ",Q
40 PRINT "Hello ",N$,", quantity",Q
50 INPUT "Empty number: ",E,"Empty text: ",E$
60 PRINT "E=",E," E$=[",E$,"]"
70 INPUT "Price: ",P:"$#,##0.00"
80 PRINT "Price",P
90 END
100 PRINT "error",ERR,": please type a number"
110 RETRY
RUN
Alice
twelve
12


$1,234.50
PRINT "back at the console"
