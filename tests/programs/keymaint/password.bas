REM File passwords on keyed files of both formats: PASSWORD ... FOR OPEN,
REM FOR WRITE and FOR OPEN AND ENCRYPT, the password given as KEY= on OPEN,
REM the per-process cache, the prompt through GET_PASSWORD.  Parameter PP
REM (prompt for a missing password) is off until the prompt is tried.
SET_PARAM -'PP'
10 KEYED "plain","[1:1:6]",0,-80
20 KEYED "fopen","[1:1:6]",0,-80,OPT="1"
30 KEYED "fwrite","[1:1:6]",0,-80
40 KEYED "fenc","[1:1:6]",0,-80,OPT="1"
50 KEYED "fenc1","[1:1:6]",0,-80
60 OPEN LOCK (1)"fopen"; PASSWORD (1)"opensesame" FOR OPEN; CLOSE (1)
70 OPEN LOCK (1)"fwrite"; PASSWORD (1)"scribe" FOR WRITE; CLOSE (1)
80 OPEN LOCK (1)"fenc"; PASSWORD (1)"hidden" FOR OPEN AND ENCRYPT; CLOSE (1)
90 OPEN LOCK (1)"fenc1"; PASSWORD (1)"hidden" FOR WRITE AND ENCRYPT; CLOSE (1)
RUN
REM Records written with the right password; the text of the enciphered
REM files never shows in their bytes.
DELETE
10 DIM F$[5]; F$[1]="plain"; F$[2]="fopen"; F$[3]="fwrite"; F$[4]="fenc"; F$[5]="fenc1"
20 DIM P$[5]; P$[2]="opensesame"; P$[3]="scribe"; P$[4]="hidden"; P$[5]="hidden"
30 FOR F=1 TO 5
40 OPEN (1,KEY=P$[F])F$[F]
50 FOR I=1 TO 200
60 WRITE (1)"REC"+STR(I:"000"),"customer text number "+STR(I)
70 NEXT I
80 CLOSE (1)
90 NEXT F
RUN
INVOKE "for f in plain fopen fwrite fenc fenc1; do if cat $f | grep -q 'customer text'; then echo $f shows its records; else echo $f shows none; fi; done"
REM The right password reads every record, a wrong one or none is error 53.
DELETE
5 DIM F$[5]; F$[1]="plain"; F$[2]="fopen"; F$[3]="fwrite"; F$[4]="fenc"; F$[5]="fenc1"
6 DIM P$[5]; P$[2]="opensesame"; P$[3]="scribe"; P$[4]="hidden"; P$[5]="hidden"
10 FOR F=2 TO 5
20 OPEN (1,KEY="wrong",ERR=30)F$[F]; PRINT F$[F]," opened with a wrong password"; CLOSE (1)
30 PRINT F$[F],": wrong password: error ",ERR
40 OPEN (1,KEY=P$[F])F$[F]
50 N=0
60 READ (1,END=80)K$,T$
70 N=N+1; GOTO 60
80 PRINT "  right password reads ",N," records, the last: ",T$
90 CLOSE (1)
100 NEXT F
RUN
REM Opened once with its password, a file opens again in this process
REM without it (the cache); a new KEY= is checked again.
OPEN (1)"fopen"; PRINT "from the cache: ",FIN(1,"NUMREC"); CLOSE (1)
DELETE
10 OPEN (1,KEY="nope",ERR=20)"fopen"
20 PRINT "a wrong KEY= drops the cached path: error ",ERR
30 OPEN (1,ERR=40)"fopen"
40 PRINT "then without a password: error ",ERR
RUN
REM Passwords agreeing in their first 8 characters open the same file.
OPEN (1,KEY="opensesa-other-tail")"fopen"; PRINT "eight characters suffice"; CLOSE (1)
REM Protected for writing: without the password the channel reads only
REM when opened for input, or with parameter PE.  Parameter PQ 0 empties
REM the cache and keeps it empty.
SET_PARAM 'PQ'=0
DELETE
10 OPEN (1,ERR=20)"fwrite"; PRINT "opened"
20 PRINT "fwrite without a password: error ",ERR
30 OPEN INPUT (1)"fwrite"; READ (1,KEY="REC007")K$,T$; PRINT "input only reads: ",T$
40 WRITE (1,ERR=50)"REC999","x"
50 PRINT "and cannot write: error ",ERR; CLOSE (1)
60 SET_PARAM 'PE'
70 OPEN (1)"fenc1"; READ (1,KEY="REC010")K$,T$; PRINT "with PE: ",T$
80 WRITE (1,ERR=90)"REC999","x"
90 PRINT "still no writing: error ",ERR; CLOSE (1)
100 SET_PARAM -'PE'
RUN
REM The prompt (parameter PP): the library's GET_PASSWORD program asks at
REM the console; the answer typed opens the file.
SET_PARAM 'PQ'=100
SET_PARAM 'PP'
OPEN (1)"fenc"
hidden
PRINT "opened after the prompt: ",FIN(1,"NUMREC"); CLOSE (1)
REM A wrong answer asks again; an empty answer gives up (error 53); after
REM three wrong answers the OPEN gives up too.
OPEN (1)"fenc1"
oops

OPEN (1)"fenc1"
one
two
three
PRINT "the console goes on"
SET_PARAM -'PP'
REM Setting a password is refused on a channel that does not hold the file,
REM on a file that holds records, on a file that is not keyed; encryption
REM needs variable-length records in the first format; a password whose key
REM would leave the pages plain is refused.
DELETE
10 KEYED "new","[1:1:6]",0,-80; KEYED "fixed","[1:1:6]",0,80
20 OPEN (2)"new"; PASSWORD (2)"x" FOR OPEN,ERR=30
30 PRINT "without OPEN LOCK: error ",ERR; CLOSE (2)
40 OPEN LOCK (2)"plain"; PASSWORD (2)"x" FOR OPEN,ERR=50
50 PRINT "a file with records: error ",ERR; CLOSE (2)
60 SERIAL "ser"; OPEN (2)"ser"; PASSWORD (2)"x" FOR OPEN,ERR=70
70 PRINT "a serial file: error ",ERR; CLOSE (2)
80 OPEN LOCK (2)"fixed"; PASSWORD (2)"x" FOR OPEN AND ENCRYPT,ERR=90
90 PRINT "fixed-length records: error ",ERR
95 OPEN LOCK (3)"new"; PASSWORD (3)"nothing" FOR OPEN AND ENCRYPT,ERR=100
100 PRINT "a password beginning with n (its key enciphers nothing): error ",ERR
105 PASSWORD (3)"orange" FOR OPEN AND ENCRYPT,ERR=110
110 CLOSE (3); PRINT "orange (its key starts at index 0): error ",ERR
120 PASSWORD (2)"fine" FOR OPEN; PASSWORD (2) REMOVE; CLOSE (2)
130 OPEN (2)"fixed"; PRINT "after REMOVE it opens freely"; CLOSE (2)
RUN
REM The password item belongs to its file: with another creation stamp
REM (the item moved into another file) its check fails at open: error 61.
INVOKE "cp fopen moved; printf '\001\002\003\004' | dd of=moved bs=1 seek=36 conv=notrunc 2>/dev/null"
DELETE
10 OPEN (1,KEY="opensesame",ERR=20)"moved"; PRINT "opened"
20 PRINT "a moved password item: error ",ERR
RUN
