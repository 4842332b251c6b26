REM READ's fast path keeps what it read of a statement's code by the code's
REM address; other code at that address is read afresh: console lines of
REM one length in the same work area, a line replaced by one of the same
REM size, two READs taking turns.
INVOKE "printf 'a\2121\212\nb\2122\212\n3\212c\212\nd\2124\212\ne\2125\212\nf\2126\212\n' > rs.txt"
OPEN (1)"rs.txt"
READ (1)A$,X; PRINT "[",A$,"]",X
READ (1)B$,Y; PRINT "[",B$,"]",Y
READ (1)Y,B$; PRINT "[",B$,"]",Y
READ (1)A$,X; PRINT "[",A$,"]",X
CLOSE (1)
INVOKE "printf 'p\2121\212\nq\2122\212\nr\2123\212\n' > rs2.txt"
10 CLOSE (1); OPEN (1)"rs2.txt"; N=0; A$=""; B$=""; X=0; Q=0
20 READ (1,END=90)A$,X
30 N=N+X; GOTO 20
90 PRINT "sum",N,"[",A$,"][",B$,"]",X,Q
RUN
20 READ (1,END=90)B$,X
RUN
20 READ (1,END=90)A$,Q
RUN
DELETE
10 CLOSE (1); OPEN (1)"rs.txt"; OPEN (2)"rs2.txt"
20 READ (1,END=90)A$,B$; READ (2,END=90)C$,Y
30 PRINT A$,B$,C$,Y; GOTO 20
90 PRINT "end"; CLOSE (1); CLOSE (2); ERASE "rs.txt"; ERASE "rs2.txt"
RUN
