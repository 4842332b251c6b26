REM a document is held for exclusive use from OPEN to CLOSE: a second OPEN of it is busy (error 0) and the first channel's page is kept; a new name is held from OPEN on, and a document without pages of the own writer leaves no file
10 OPEN (1)"*pdf*FILE=dup.pdf"
20 OPEN (2,ERR=40)"*pdf*FILE=dup.pdf"
30 PRINT "second open: no error"; PRINT (2)"channel two"; CLOSE (2); GOTO 50
40 PRINT "second open:",ERR
50 PRINT (1)"channel one"
60 CLOSE (1)
70 OPEN (3)"*pdf*FILE=new.pdf"
80 OPEN (4,ERR=85)"new.pdf"; CLOSE (4); PRINT "new name: not held"; GOTO 90
85 PRINT "new name, data OPEN:",ERR
90 OPEN (5,ERR=95)"*pdf*FILE=new.pdf"; PRINT "new name: opened twice"; CLOSE (5); GOTO 100
95 PRINT "new name, second open:",ERR
100 CLOSE (3)
110 OPEN (4,ERR=130)"new.pdf"; CLOSE (4); PRINT "after CLOSE: a file"; GOTO 140
130 PRINT "after CLOSE: no file"
140 PRINT "done"
RUN
