A$="HELLO"
PRINT A$, A$(2), A$(2,3), A$(5,1)
PRINT "<"+A$(6)+">"
PRINT A$(6,1)
PRINT A$(0,1)
PRINT "AB"+"CD"+A$
PRINT "AB"<"ABC", "ABC"<"AB", "a">"B", "X"="X", "X"<>"X"
PRINT "A"+"B"="AB"
A$(2,3)="ipp"
PRINT A$
A$(2,3)=""
PRINT A$
A$(3)="Y!"
PRINT A$
A$="ABCDEF"
A$=A$(3)
PRINT A$
PRINT "A"*2
PRINT -"A"
B$=1
