10 A$="Smith"; X=42
20 INPUT EDIT (0,HLP="the customer's name")'CS',"name: ",A$
30 PRINT "help: ",VHLP
40 INPUT EDIT "amount: ",X
50 PRINT "got ",A$," and ",X
60 INPUT "plain: ",B$
70 PRINT "plain [",B$,"] help [",VHLP,"]"
RUN
