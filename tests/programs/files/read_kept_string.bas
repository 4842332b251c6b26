REM READ of one string item from a channel with a separator: the kept
REM READ's own path for it.  Line i holds i letters (1 to 70: short copies,
REM the 16-, 32- and 48-byte steps, the variable's block outgrown, lines of
REM 64 bytes and more), the number i after a separator; every seventh line
REM has no separator, every eleventh and line 14 end in CR LF, line 30 is padded with
REM NULs, line 40 starts with its separator (an empty field), the last line
REM has no newline.  In line 20 the second READ is a kept one; every line is
REM printed over two passes.
INVOKE "awk 'BEGIN { for (i = 1; i <= 70; i++) { s = """"; for (j = 0; j < i; j++) s = s sprintf(""%c"", 97 + (i + j) % 26); if (i == 40) s = """"; if (i % 7 == 0) printf ""%s"", s; else printf ""%s\212%d\212"", s, i; if (i == 30) printf ""\0\0""; if (i % 11 == 0 || i == 14) printf ""\r""; if (i < 70) printf ""\n"" } }' > rks.txt"
10 OPEN (1)"rks.txt"; N=0; IF P=1 THEN READ (1)A$; N=1
20 FOR I=1 TO 2; READ (1,END=90)A$; N=N+1; NEXT I
30 PRINT N,LEN(A$),"[",A$,"]"; GOTO 20
90 PRINT "end",N,LEN(A$),"[",A$,"]"; CLOSE (1)
RUN
P=1
RUN
DELETE
REM Only kept READs after the first: the count and the last line.
10 OPEN (1)"rks.txt"; N=0; A$=""
20 READ (1,END=40)A$
30 N=N+1; GOTO 20
40 PRINT N,LEN(A$),"[",A$,"]"; CLOSE (1); ERASE "rks.txt"
RUN
