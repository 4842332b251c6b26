REM PASSWORD (ch) FROM (ch2) copies the password of one protected keyed file
REM to another (mode and encryption included); PASSWORD "key" without a
REM channel is the protection key of programs.  Parameter PQ 0: no cache of
REM verified paths, so every OPEN is checked.
SET_PARAM -'PP'
SET_PARAM 'PQ'=0
10 KEYED "src","[1:1:6]",0,-80,OPT="1"
20 KEYED "dst","[1:1:6]",0,-80
30 KEYED "dst2","[1:1:6]",0,-80,OPT="1"
40 OPEN LOCK (1)"src"; PASSWORD (1)"hidden" FOR OPEN AND ENCRYPT; CLOSE (1)
50 OPEN LOCK (1,KEY="hidden")"src"; OPEN LOCK (2)"dst"; PASSWORD (2) FROM (1); CLOSE (2)
60 OPEN (2,KEY="hidden")"dst"; WRITE (2)"REC001","copied password text"; CLOSE (2)
70 OPEN (2,KEY="wrong",ERR=80)"dst"; PRINT "opened with a wrong password"
80 PRINT "the copy refuses a wrong password: error ",ERR
90 OPEN LOCK (3)"dst2"; PASSWORD (3,ERR=100) FROM (3)
100 PRINT "copying from a file without password: error ",ERR
110 OPEN LOCK (4,KEY="hidden")"dst"; PASSWORD (4,ERR=120) FROM (1)
120 PRINT "copying to a file that has one: error ",ERR; CLOSE (4)
130 SERIAL "ser"; OPEN (5)"ser"; PASSWORD (3,ERR=140) FROM (5)
140 PRINT "copying from a serial file: error ",ERR
150 PASSWORD (3) FROM (1); CLOSE (3)
160 OPEN (3,KEY="hidden")"dst2"; WRITE (3)"A","another copied text"; CLOSE (3)
170 OPEN (3,ERR=180)"dst2"; PRINT "opened without a password"
180 PRINT "the second copy without a password: error ",ERR
190 OPEN (3,KEY="hidden")"dst2"; READ (3,KEY="A")K$,T$; PRINT "read back: ",T$
RUN
INVOKE "for f in dst dst2; do if grep -q 'copied' $f; then echo $f shows its records; else echo $f shows none; fi; done"
REM The program form.  A program given a key is saved enciphered; loaded
REM without the key it runs but cannot be listed; the right key opens it,
REM a wrong one is error 53; an empty key takes the key off an opened
REM program (and is error 52 while it is protected).
DELETE
10 PRINT "secret program text"
PASSWORD "owner01"
SAVE "pp"
PASSWORD ""
SAVE "plain"
INVOKE "for f in pp plain; do if grep -q 'secret program' $f; then echo $f shows its text; else echo $f shows none; fi; done"
LOAD "pp"
LIST
RUN
PASSWORD ""
PASSWORD "wrong"
PASSWORD "owner01"
LIST
20 PRINT "the owner edits it"
SAVE "pp"
REM The key is remembered: the program loads opened.
DELETE
LOAD "pp"
LIST
REM An enciphered program is saved as text only under parameter +V, and
REM then with its key line: merged back (with the key forgotten) it is
REM protected again.
SERIAL "pp.txt"
SAVE "pp.txt"
SET_PARAM '+V'
SAVE "pp.txt"
SET_PARAM -'+V'
INVOKE "head -c 13 pp.txt; echo"
PASSWORD ""
DELETE
MERGE "pp.txt"
RUN
LIST
