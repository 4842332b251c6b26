REM Under UL blank rows before the first line count in the line positions as
REM later ones do; an indexed source ends the merge (or LOAD) after a line
REM whose first statement is END.
SERIAL "lead.txt"
OPEN LOCK (1)"lead.txt"
WRITE RECORD (1)$0A$+$0A$+"PRINT ""third row"""+$0A$+$0A$+"PRINT ""fifth row"""+$0A$
CLOSE (1)
MERGE "lead.txt"
LIST
DELETE
INDEXED "idx.txt",10,40
OPEN (1)"idx.txt"
WRITE RECORD (1,IND=0)"10 PRINT ""one"""
WRITE RECORD (1,IND=1)"20 END"
WRITE RECORD (1,IND=2)"30 PRINT ""after the end"""
CLOSE (1)
MERGE "idx.txt"
LIST
DELETE
LOAD "idx.txt"
LIST
DELETE
SERIAL "ser.txt"
OPEN LOCK (1)"ser.txt"
WRITE RECORD (1)"10 PRINT ""one"""+$0A$+"20 END"+$0A$+"30 PRINT ""a serial source goes on"""+$0A$
CLOSE (1)
MERGE "ser.txt"
LIST
