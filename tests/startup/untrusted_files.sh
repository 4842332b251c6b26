#!/bin/sh
# What the contents of a shared file must not make another user's oru do:
# run a program found beside the data, run the I/O program a file's
# dictionary names unless both belong to the user (or root) alone, or open a
# command, a device or a memory channel named by a link target, a prefix-file
# record, a duplicate-write definition or a data-dictionary entry; use a
# prefix file or follow a link file that is not the user's; write through a
# link planted at an update log, the trace log or a saved program's name;
# run a command cut at a NUL byte; wait without end on a planted FIFO, or
# save a program into one.
# Cases that need a file of another user run as root only (files are given
# to uid 65534); elsewhere they say they are skipped.  A file swapped
# between two looks at its name is played by a library preloaded into oru
# (built with the C compiler when there is one).
here=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/lib.sh"
fail=0
bad() { echo "$1"; fail=1; }
session() { "$oru" < "$1" > "$1.got" 2>&1; }
has() { grep -qxF -- "$2" "$1.got" || { bad "$1: no line '$2' in:"; cat "$1.got"; }; }
# save NAME MARK: a program NAME that creates the file MARK when it runs.
save() { printf '10 SERIAL "%s",0,0\n20 EXIT\nSAVE "%s"\n' "$tmp/$2" "$1" | "$oru" > /dev/null 2>&1; }
link() {  # $1: file, $2: target, $3: driver id
  { printf '[Oruapr]%-60s%-12s' "$2" "$3"; head -c 176 /dev/zero; } > "$1"
}

# A driver id runs the library's driver program, never one planted beside
# the data or in a PREFIX directory; an id that is no plain name is refused.
mkdir _dev evil evil/_dev
save _dev/evil PWNED_DEV
save evil/_dev/dumb PWNED_PFX
save _util PWNED_STAR
link data.lnk /dev/null evil
link dumb.lnk /dev/null dumb
link dots.lnk /dev/null ../evil
cat > driver.bas <<'EOF'
PREFIX "evil/"
10 OPEN (1,ERR=20)"data.lnk"
20 PRINT "planted",ERR
30 OPEN (2,ERR=40)"dumb.lnk"
40 PRINT "library driver"
50 OPEN (3,ERR=60)"dots.lnk"
60 PRINT "dots",ERR
70 CALL "*util",ERR=80
80 PRINT "star",ERR
RUN
EOF
session driver.bas
[ -e PWNED_DEV ] && bad "a driver program beside the data ran"
[ -e PWNED_PFX ] && bad "a driver program in a PREFIX directory ran instead of the library's"
[ -e PWNED_STAR ] && bad "a \"*\" name ran a program of the working directory"
has driver.bas 'library driver'
has driver.bas 'dots 10'
has driver.bas 'star 12'

# The dictionary's I/O program runs only when the file and the program are
# owned by the user (or root) and nobody else may write them.
printf '10 PRE_READ: ENTER P,K$,N,R$,O,K2\n20 SERIAL "%s",0,0\n30 EXIT\nSAVE "hook"\n' "$tmp/PWNED_HOOK" |
  "$oru" > /dev/null 2>&1
chmod 664 hook
cat > dict.bas <<'EOF'
10 KEYED "shared","[1:1:4]",0,60
20 OPEN (1)"shared"; DICT WRITE (1)"h"; DICT WRITE (1,IND=1)"!hook"; WRITE (1)"0001","x"; CLOSE (1)
RUN
EOF
session dict.bas
cat > read.bas <<'EOF'
10 OPEN (1)"shared"
20 PRINT "open: ",MSG(-1)
30 READ (1,KEY="0001")K$,A$
40 PRINT "read ",A$
RUN
EOF
session read.bas
[ -e PWNED_HOOK ] && bad "a group-writable I/O program named by the dictionary ran"
has read.bas 'read x'
grep -q 'open: The file.s I/O program "hook" is not run' read.bas.got || { bad "no refusal in MSG(-1)"; cat read.bas.got; }
chmod 644 hook
chmod 666 shared
session read.bas
[ -e PWNED_HOOK ] && bad "the I/O program of a world-writable file ran"
chmod 644 shared
session read.bas
[ -e PWNED_HOOK ] || { bad "the user's own I/O program did not run"; cat read.bas.got; }

# A record layout stored in the dictionary holds names and values only: one
# that calls a function is no layout, so WRITE (ch,IOL=*) of another user
# never runs it.
cat > layout.bas <<'EOF'
10 KEYED "laid","[1:1:4]",0,60
20 OPEN (1,IOL=1000)"laid"; L$=IOL(1)
30 DICT WRITE (1)"h"; DICT WRITE (1,IND=1)L$; CLOSE (1)
40 OPEN (1,IOL=*,ERR=60)"laid"
50 K$="0001"; WRITE (1)
60 PRINT "layout",ERR
1000 IOLIST K$,STR(SCLL("touch PWNED_IOL"))
RUN
EOF
session layout.bas
[ -e PWNED_IOL ] && bad "a record layout of the dictionary ran a command"
has layout.bas 'layout 84'

# Names read from files are refused when they name a command, a device or
# a memory or PDF channel (error 10); the command never runs.
link pdf.lnk '*pdf*' ''
link mem.lnk '*memory*' ''
cat > names.bas <<'EOF'
10 OPEN (1,ERR=20)"pdf.lnk"
20 PRINT "pdf link",ERR
30 OPEN (3,ERR=40)"mem.lnk"
40 PRINT "memory link",ERR
50 KEYED "pfx",20,0,80
60 OPEN (4)"pfx"
70 WRITE (4,KEY="REPORT")"|touch PWNED_PFXFILE"
75 WRITE (4,KEY="MEMO")"*memory*"
80 CLOSE (4)
90 PREFIX FILE "pfx"
100 OPEN (5,ERR=110)"REPORT"
110 PRINT "prefix file",ERR
120 OPEN (6,ERR=130)"MEMO"
130 PRINT "prefix memory",ERR
140 PREFIX FILE ""
RUN
EOF
session names.bas
[ -e PWNED_PFXFILE ] && bad "a prefix-file record ran a command"
has names.bas 'pdf link 10'
has names.bas 'memory link 10'
has names.bas 'prefix file 10'
has names.bas 'prefix memory 10'

# A duplicate-write definition's target and a data dictionary's file name
# are names from files too; a dictionary's "=" expression is evaluated only
# from a dictionary no one else may write.
printf '[Config]\nMirror=1\n' > mirror.ini
cat > dupl.bas <<'EOF'
10 KEYED "defs","[1:1:80]",0,-300
20 SERIAL "orders"; OPEN LOCK (1)"orders"; D$=FIN(1,"PATHNAME"); CLOSE (1)
30 K$=""; FOR I=LEN(D$) TO 1 STEP -1; K$=K$+UCS(D$(I,1)); NEXT I
40 OPEN (9)"defs"; WRITE (9)K$+"|",">touch PWNED_DUP",""; CLOSE (9)
50 REPEAT DATA FILE "defs"
60 OPEN LOCK (1)"orders"; WRITE (1,ERR=70)"x"
70 PRINT "duplicate",ERR
RUN
EOF
ORUINI="$tmp/mirror.ini" "$oru" < dupl.bas > dupl.bas.got 2>&1
[ -e PWNED_DUP ] && bad "a duplicate-write definition ran a command"
has dupl.bas 'duplicate 10'
cat > ddf.bas <<'EOF'
10 KEYED "tessaron.ddf","[1:1:12],[1:1:12],[2:1:8]",0,120
20 OPEN LOCK (9)"tessaron.ddf"
30 WRITE (9)"EVIL","=STR(SCLL(""touch PWNED_DDF""))","x"
40 WRITE (9)"PIPE","|touch PWNED_PIPE","x"
50 CLOSE (9)
RUN
EOF
session ddf.bas
chmod 664 tessaron.ddf
cat > table.bas <<'EOF'
10 OPEN DICT
20 OPEN (1,ERR=30)TABLE "PIPE"
30 PRINT "table pipe",ERR
40 OPEN (2,ERR=50)TABLE "EVIL"
50 PRINT "table expression",ERR
RUN
EOF
session table.bas
[ -e PWNED_PIPE ] && bad "a data dictionary's file name ran a command"
[ -e PWNED_DDF ] && bad "the expression of a group-writable data dictionary was evaluated"
has table.bas 'table pipe 10'
has table.bas 'table expression 10'

# A journal directory's files are never written through a symbolic link
# planted there, nor at an address a file's own bytes choose; a new file is
# made exclusively.
mkdir jd jd2 victim
printf 'these are my notes, not a journal\n' > victim/notes.txt
cp victim/notes.txt victim/plain.txt
ln -s "$tmp/victim/notes.txt" jd/journal.7
cp victim/plain.txt jd2/journal.3
cat > journal.bas <<'EOF'
10 SETERR 20; SET_JOURNAL OPEN "jd"; SET_JOURNAL WRITE "hello"
20 PRINT "link",ERR; SETERR 0; SET_JOURNAL CLOSE
30 SETERR 40; SET_JOURNAL OPEN "jd2"; SET_JOURNAL WRITE "hello"
40 PRINT "text",ERR; SETERR 0; SET_JOURNAL CLOSE
50 SETERR 60; SET_JOURNAL OPEN "victim/plain.txt"; SET_JOURNAL WRITE "hello"
60 PRINT "plain",ERR; SETERR 0; SET_JOURNAL CLOSE
RUN
EOF
session journal.bas
cmp -s victim/notes.txt victim/plain.txt || bad "the journal wrote through a planted symbolic link"
cmp -s jd2/journal.3 victim/plain.txt || bad "the journal wrote into a text file of its directory"
has journal.bas 'link 17'
has journal.bas 'text 17'
has journal.bas 'plain 17'

root=no
[ "$(id -u)" = 0 ] && root=yes
skipped() { echo "not root: $1 skipped"; }
printf 'plain\n' > plain.txt

# A prefix file is used only when it is the user's (or root's) and no one
# else may write it; an untrusted one is not used and MSG(-1) says why.  A
# "*" name is the library's, never mapped by a record; an option of a
# record that names a file or program is refused when it is a command.
save evilprog PWNED_PFXPROG
cat > pfxmake.bas <<'EOF'
10 KEYED "shpfx",20,0,80
20 OPEN (1)"shpfx"
30 WRITE (1,KEY="REPORT")"evilprog"
40 WRITE (1,KEY="*UTIL")"evilprog"
50 WRITE (1,KEY="NOTES")"plain.txt","FILE=|touch PWNED_OPT"
60 CLOSE (1)
RUN
EOF
session pfxmake.bas
chmod 644 shpfx
cat > pfxown.bas <<'EOF'
10 PREFIX FILE "shpfx"
20 CALL "*UTIL",ERR=30
30 PRINT "star",ERR
40 OPEN (1,ERR=50)"NOTES"
50 PRINT "option",ERR
60 PRINT "in use ",PFX(-1)
RUN
EOF
session pfxown.bas
[ -e PWNED_PFXPROG ] && bad "a prefix-file record mapped a \"*\" name to another program"
has pfxown.bas 'star 12'
has pfxown.bas 'option 10'
grep -q '^in use .*shpfx' pfxown.bas.got || { bad "the user's own prefix file is not used"; cat pfxown.bas.got; }
cat > pfxshared.bas <<'EOF'
10 PREFIX FILE "shpfx"
20 PRINT "pfx: ",MSG(-1)
30 CALL "REPORT",ERR=40
40 PRINT "report",ERR
50 PRINT "in use [",PFX(-1),"]"
RUN
EOF
chmod 664 shpfx
session pfxshared.bas
[ -e PWNED_PFXPROG ] && bad "a group-writable prefix file mapped a name to another program"
has pfxshared.bas 'report 12'
has pfxshared.bas 'in use []'
grep -q 'pfx: The prefix file "shpfx" is not used' pfxshared.bas.got || { bad "no reason in MSG(-1)"; cat pfxshared.bas.got; }
if [ $root = yes ]; then
  chmod 644 shpfx; chown 65534 shpfx
  session pfxshared.bas
  [ -e PWNED_PFXPROG ] && bad "another user's prefix file mapped a name to their program"
  has pfxshared.bas 'report 12'
else
  skipped "another user's prefix file"
fi

# The update logs never write through a symbolic link at their name, never
# wait on a FIFO there, checked at every append; a control byte of a path
# is written escaped, so that it cannot start a line of its own.
mkdir ul
printf 'my profile\n' > victim/profile
cp victim/profile victim/profile.orig
ln -s "$tmp/victim/profile" ul/linked
cat > ulog.bas <<'EOF'
10 KEYED "ul/k",4,0,40
20 SETERR 30; SET_JOURNAL UPDATE "ul/linked"
30 PRINT "linked",ERR; SETERR 0
40 SET_JOURNAL UPDATE "ul/swapped"
50 INVOKE "ln -s ../victim/profile ul/swapped"
60 OPEN (1)"ul/k"; WRITE (1,KEY="A")"x"; CLOSE (1)
70 SET_JOURNAL UPDATE ""
80 SET_JOURNAL UPDATE "ul/fifo"
90 INVOKE "mkfifo ul/fifo"
100 OPEN (1)"ul/k"; WRITE (1,KEY="B")"x"; CLOSE (1)
110 PRINT "fifo passed"
120 SET_JOURNAL UPDATE ""
130 SET_JOURNAL UPDATE "ul/plain"
140 N$="ul/a"+$0A$+"cd;touch PWNED;x"
150 KEYED N$,4,0,40; OPEN (1)N$; WRITE (1,KEY="C")"x"; CLOSE (1)
160 PRINT "done"
RUN
EOF
timeout 20 "$oru" < ulog.bas > ulog.bas.got 2>&1
cmp -s victim/profile victim/profile.orig || { bad "an update log wrote through a symbolic link"; cat victim/profile; }
has ulog.bas 'linked 13'
has ulog.bas 'fifo passed'
has ulog.bas 'done'
[ "$(wc -l < ul/plain 2>/dev/null)" = 1 ] || { bad "a path with a line feed is not one line of the log"; cat ul/plain; }
grep -qF 'ul/a\012cd;touch PWNED;x' ul/plain || { bad "the line feed of a path is not escaped"; cat ul/plain; }

# The trace log is written only into a regular file at its own name.
mkdir tr
printf 'trace victim\n' > victim/trace
cp victim/trace victim/trace.orig
ln -s "$tmp/victim/trace" tr/orutrace.log
printf 'TRACE "planted"\nPRINT "traced"\n' > tr/trace.bas
(cd tr && timeout 20 "$oru" < trace.bas > trace.bas.got 2>&1)
cmp -s victim/trace victim/trace.orig || bad "the trace log wrote through a symbolic link"
grep -qx traced tr/trace.bas.got || { bad "TRACE with a linked trace log"; cat tr/trace.bas.got; }
rm tr/orutrace.log; mkfifo tr/orutrace.log
(cd tr && timeout 20 "$oru" < trace.bas > trace.bas.got 2>&1)
grep -qx traced tr/trace.bas.got || { bad "TRACE waited on a FIFO trace log"; cat tr/trace.bas.got; }
rm tr/orutrace.log; : > tr/orutrace.log
(cd tr && timeout 20 "$oru" < trace.bas > trace.bas.got 2>&1)
grep -qx planted tr/orutrace.log || { bad "the trace log is not written"; cat tr/orutrace.log; }

# The dictionary's I/O program is checked where it is loaded, at every
# event: one swapped in after OPEN (or after a first event) does not run.
hook() {  # $1: program, $2: the file it makes when it runs
  printf '10 PRE_READ: ENTER P,K$,N,R$,O,K2\n20 SERIAL "%s",0,0\n30 EXIT\nSAVE "%s"\n' "$tmp/$2" "$1" |
    "$oru" > /dev/null 2>&1
}
hook hook2 RAN_HOOK2
hook hookb PWNED_SWAP
chmod 644 hook2; chmod 664 hookb
cat > swapdict.bas <<'EOF'
10 KEYED "shared2","[1:1:4]",0,60
20 OPEN (1)"shared2"; DICT WRITE (1)"h"; DICT WRITE (1,IND=1)"!hook2"; WRITE (1)"0001","x"; CLOSE (1)
RUN
EOF
session swapdict.bas
chmod 644 shared2
cat > swap.bas <<'EOF'
10 OPEN (1)"shared2"
20 READ (1,KEY="0001")K$,A$
30 PRINT "first ",A$
40 INVOKE "mv hookb hook2"
50 READ (1,KEY="0001")K$,A$
60 PRINT "second ",A$
RUN
EOF
session swap.bas
[ -e RAN_HOOK2 ] || { bad "the user's own I/O program did not run"; cat swap.bas.got; }
[ -e PWNED_SWAP ] && bad "an I/O program swapped in after the first event ran"
has swap.bas 'second x'
hook hookb PWNED_SWAP
chmod 664 hookb
cat > swap2.bas <<'EOF'
10 OPEN (1)"shared2"
20 INVOKE "mv hookb hook2"
30 READ (1,KEY="0001")K$,A$
40 PRINT "read ",A$
RUN
EOF
session swap2.bas
[ -e PWNED_SWAP ] && bad "an I/O program swapped in after OPEN ran"
has swap2.bas 'read x'

# Link files of other users are not followed; SAVE replaces a symbolic link
# another user planted at the program's name instead of writing through it,
# and writes through a link of the user's own.
if [ $root = yes ]; then
  printf 'victim data\n' > victim/data.txt
  link other.lnk "$tmp/victim/data.txt" ''
  chown 65534 other.lnk
  cat > otherlink.bas <<'EOF'
10 OPEN (1,ERR=20)"other.lnk"
15 READ (1)A$; PRINT "read ",A$
20 PRINT "other link",ERR
RUN
EOF
  session otherlink.bas
  has otherlink.bas 'other link 10'
  grep -q '^read' otherlink.bas.got && bad "another user's link file was followed"
  # ...but one in the library directory is the library's, whoever owns it.
  mkdir mylib
  for e in "$lib"/*; do ln -s "$e" mylib/; done
  link mylib/lib.lnk "$tmp/victim/data.txt" ''
  chown 65534 mylib/lib.lnk
  printf '10 OPEN (1)"%s"\n20 READ (1)A$\n30 PRINT "library ",A$\nRUN\n' "$tmp/mylib/lib.lnk" > liblink.bas
  ORULIB="$tmp/mylib" "$oru" < liblink.bas > liblink.bas.got 2>&1
  has liblink.bas 'library victim data'
  printf 'my profile\n' > victim/sprofile
  cp victim/sprofile victim/sprofile.orig
  cp victim/sprofile victim/sprog.txt
  ln -s "$tmp/victim/sprofile" sprog; chown -h 65534 sprog
  ln -s "$tmp/victim/sprog.txt" ownprog
  printf '10 PRINT "saved"\nSAVE "sprog"\nSAVE "ownprog"\nLOAD "sprog"\nRUN\n' > savelink.bas
  session savelink.bas
  cmp -s victim/sprofile victim/sprofile.orig || bad "SAVE wrote through another user's symbolic link"
  [ -L sprog ] && bad "SAVE left another user's symbolic link in place"
  has savelink.bas 'saved'
  [ -L ownprog ] || bad "SAVE replaced the user's own symbolic link"
  grep -q 'PRINT "saved"' victim/sprog.txt || bad "SAVE did not write through the user's own link"
  ls | grep -q 'prog\.' && bad "SAVE left a temporary file behind"
  ln -s /dev/null devprog; chown -h 65534 devprog
  printf '10 SAVE "devprog",ERR=20\n20 PRINT "device link",ERR\nRUN\n' > savedev.bas
  session savedev.bas
  has savedev.bas 'device link 10'
else
  skipped "link files and symbolic links of another user"
fi

# INVOKE and SCLL( with a NUL byte are error 10: the shell would run the
# command cut at the NUL.
mkdir -p nul/keep
cat > nul.bas <<'EOF'
10 INVOKE "rm -rf nul/"+"keep"+$00$+"zz",ERR=20
20 PRINT "invoke",ERR
30 SETERR 50
40 X=SCLL("rm -rf nul/keep"+$00$+"zz")
50 PRINT "scll",ERR
RUN
EOF
session nul.bas
[ -d nul/keep ] || bad "a command cut at a NUL byte ran"
has nul.bas 'invoke 10'
has nul.bas 'scll 10'

# A data file replaced by a FIFO: READ (without INPUT) comes to END= once
# the writer is gone, as it would on a file.
mkfifo shfifo
(printf 'one\n' > shfifo) &
writer=$!
cat > fifo.bas <<'EOF'
10 OPEN (1)"shfifo"
20 READ (1,END=40)A$
30 PRINT "read ",A$; GOTO 20
40 PRINT "end"
RUN
EOF
timeout 20 "$oru" < fifo.bas > fifo.bas.got 2>&1
kill $writer 2>/dev/null; wait $writer 2>/dev/null
has fifo.bas 'read one'
has fifo.bas 'end'

# A data dictionary replaced by a FIFO is refused (error 13) without
# waiting for a writer.
mkfifo ddfifo
printf '10 DICT LOAD "ddfifo",ERR=20\n20 PRINT "dictionary fifo",ERR\nRUN\n' > ddfifo.bas
timeout 20 "$oru" < ddfifo.bas > ddfifo.bas.got 2>&1
has ddfifo.bas 'dictionary fifo 13'

# A segment file of a keyed file is followed through a segment link only
# when the link is the user's or root's: another's would send the writes
# into a file of the user's that the link names (error 10).
if [ $root = yes ]; then
  cat > segs.bas <<'EOF'
10 SET_PARAM 'MB'=1
20 KEYED "sg",8,0,-400,SIZ=1
30 OPEN (1)"sg"
40 FOR I=1 TO 3000; WRITE (1,KEY=STR(I:"00000000"))STR(I)+DIM(380,"r"); NEXT I
50 CLOSE (1)
RUN
EOF
  session segs.bas
  mkdir segv; mv sg.001 segv/sg.001; cp segv/sg.001 segv/sg.001.orig
  { printf '[Orulnk]%s' "$tmp/segv/sg.001"; head -c 300 /dev/zero; } > sg.001
  chown 65534 sg.001
  cat > segw.bas <<'EOF'
10 SET_PARAM 'MB'=1
20 OPEN (1)"sg"
30 WRITE (1,KEY="00002999",ERR=40)"changed"
40 PRINT "segment link",ERR
RUN
EOF
  session segw.bas
  has segw.bas 'segment link 10'
  cmp -s segv/sg.001 segv/sg.001.orig || bad "another user's segment link was followed"
  chown 0 sg.001
  printf "10 SET_PARAM 'MB'=1\n20 OPEN (1)\"sg\"\n30 READ (1,KEY=\"00003000\")A\$\n40 PRINT \"linked \",A\$(1,4)\nRUN\n" > segown.bas
  session segown.bas
  has segown.bas 'linked 3000'
else
  skipped "another user's segment link"
fi

# The status file SIGTSTP leaves beside the library directory is written
# only into a regular file: a FIFO at its name never holds the process.
mkdir stlib stlib/lib
for e in "$lib"/*; do ln -s "$e" stlib/lib/; done
mkfifo stlib/kestil.sts
printf '10 X=SCLL("kill -TSTP $PPID")\nRUN\nPRINT "after status"\n' > status.bas
ORULIB="$tmp/stlib/lib" timeout 20 "$oru" < status.bas > status.bas.got 2>&1
has status.bas 'after status'
rm stlib/kestil.sts
ORULIB="$tmp/stlib/lib" timeout 20 "$oru" < status.bas > status.bas.got 2>&1
grep -q '^Kestil Signal' stlib/kestil.sts || bad "no status file written"

# RENAME and ERASE of a keyed file look at the numbered files beside it
# without waiting: a FIFO there is no segment and holds nothing.
printf '10 KEYED "rk",4,0,40\n20 RENAME "rk","rk2",ERR=30\n30 PRINT "rename",ERR\n40 KEYED "rl",4,0,40\n50 ERASE "rl",OPT="ALLSEG",ERR=60\n60 PRINT "erase",ERR\nRUN\n' > segfifo.bas
mkfifo rk.001 rl.001
timeout 20 "$oru" < segfifo.bas > segfifo.bas.got 2>&1
has segfifo.bas 'rename 0'
has segfifo.bas 'erase 0'
[ -p rk.001 ] || bad "a FIFO beside a keyed file was moved as its segment"

# A FIFO planted at a data file's or a program's name holds nothing: READ
# comes to its END= at once while no one writes the FIFO, TIM= ends the
# wait for a writer that sends nothing (error 0), MERGE reads no lines, and
# CALL and LOAD refuse it (error 17: a program is a regular file).
mkfifo data3 rep3
cat > fifo.bas <<'EOF'
10 OPEN (1)"data3"
20 READ (1,END=40,TIM=2,ERR=50)A$
30 PRINT "read ",A$
40 PRINT "end at once"; GOTO 60
50 PRINT "error",ERR
60 CALL "rep3",ERR=70
70 PRINT "call",ERR
80 OPEN (2,BIN=4)"data3"
90 READ (2,END=100)A$
100 PRINT "binary end"
RUN
MERGE "rep3",ERR=*NEXT
PRINT "merge",ERR
LOAD "rep3"
PRINT "after load"
EOF
timeout 20 "$oru" < fifo.bas > fifo.bas.got 2>&1
has fifo.bas 'end at once'
has fifo.bas 'call 17'
has fifo.bas 'binary end'
has fifo.bas 'merge 0'
has fifo.bas 'after load'
has fifo.bas 'A program is read from a regular file only'
# A writer that sends nothing: TIM= ends the wait.
(sleep 6 > data3 &)
printf '10 OPEN (1)"data3"\n20 READ (1,END=40,TIM=1,ERR=50)A$\n40 PRINT "end"; STOP\n50 PRINT "waited",ERR\nRUN\n' > fifotim.bas
timeout 20 "$oru" < fifotim.bas > fifotim.bas.got 2>&1
has fifotim.bas 'waited 0'

# SAVE follows a chain of symbolic links only while each is the user's (or
# root's): another user's link further on is replaced, not written through.
if [ $root = yes ]; then
  printf 'chained profile\n' > victim/cprofile
  cp victim/cprofile victim/cprofile.orig
  ln -s "$tmp/victim/cprofile" cmid; chown -h 65534 cmid
  ln -s cmid cprog
  printf '10 PRINT "chain"\nSAVE "cprog"\n' > chain.bas
  session chain.bas
  cmp -s victim/cprofile victim/cprofile.orig || bad "SAVE wrote through another user's link behind the user's own"
  [ -L cprog ] && [ ! -L cmid ] && grep -q 'PRINT "chain"' cmid || bad "SAVE did not replace another user's link behind the user's own"
else
  skipped "a chain of symbolic links ending in another user's"
fi

# A device is opened only through symbolic links of the user's (or root's):
# another user's link at a shared file's name to /dev/zero held a READ
# without end.
if [ $root = yes ]; then
  ln -s /dev/zero zlink; chown -h 65534 zlink
  ln -s zlink zown
  ln -s /dev/null nlink
  cat > devlink.bas <<'EOF'
10 OPEN (1,ERR=30)"zlink"
20 READ (1,END=30)A$
30 PRINT "device link",ERR
40 OPEN (2,ERR=50)"zown"
50 PRINT "behind own link",ERR
60 OPEN (3)"nlink"; READ (3,END=70)A$
70 PRINT "own device link",ERR
RUN
EOF
  timeout 20 "$oru" < devlink.bas > devlink.bas.got 2>&1
  has devlink.bas 'device link 10'
  has devlink.bas 'behind own link 10'
  has devlink.bas 'own device link 2'
else
  skipped "another user's symbolic link to a device"
fi

# SAVE writes a program only into a regular file (or a new one): a FIFO
# another user put at the name, or a device, is error 13 and nothing is
# reported as saved (the program would be lost at QUIT).
mkfifo -m 666 fprog
ln -s /dev/null nprog
cat > savefifo.bas <<'EOF2'
10 PRINT "hi"
20 SAVE "fprog",ERR=30
30 PRINT "fifo",ERR
40 SAVE "nprog",ERR=50
50 PRINT "device",ERR
RUN
SAVE "fprog"
EOF2
timeout 20 "$oru" < savefifo.bas > savefifo.bas.got 2>&1
has savefifo.bas 'fifo 13'
has savefifo.bas 'device 13'
grep -q '^/.*fprog$' savefifo.bas.got && { bad "SAVE to a FIFO was reported as done"; cat savefifo.bas.got; }

# A file swapped between two looks at its name: a file SAVE creates is
# written through the descriptor that made it; OPEN's create mode and an
# OPEN that needs write access on a file open for input refuse a file that
# is not the one they made or looked at (error 12).
cc=$(command -v cc || command -v gcc || command -v clang)
if [ -n "$cc" ] && "$cc" -shared -fPIC -o swap.so "$here/untrusted_files/swap_at_open.c" -ldl 2>/dev/null; then
  printf 'victim notes\n' > victim/rnotes
  cp victim/rnotes victim/rnotes.orig
  swapped() {  # $1: name, $2: when (see swap_at_open.c), $3: session
    ln -s "$tmp/victim/rnotes" swapin
    SWAP_NAME=$1 SWAP_WHEN=$2 SWAP_FROM=swapin SWAP_TO=$1 LD_PRELOAD="$tmp/swap.so" \
      timeout 20 "$oru" < "$3" > "$3.got" 2>&1
    rm -f swapin
    cmp -s victim/rnotes victim/rnotes.orig || { bad "$3: writes went into a file swapped in"; cat victim/rnotes; }
    cp victim/rnotes.orig victim/rnotes
  }
  printf '10 PRINT "new program"\nSAVE "newprog"\n' > savenew.bas
  swapped newprog stat-created savenew.bas
  printf 'LOAD "newprog"\nRUN\n' > loadnew.bas
  session loadnew.bas
  has loadnew.bas 'new program'
  printf '10 OPEN -(1,OPT="O_CREATE",ERR=30)"made"\n20 WRITE (1)"planted"\n30 PRINT "create",ERR\nRUN\n' > create.bas
  swapped made stat-created create.bas
  has create.bas 'create 12'
  printf '10 OPEN -(1,OPT="O_CREATE")"made2"\n20 WRITE (1)"mine"\n30 PRINT "own create",ERR\nRUN\n' > create2.bas
  session create2.bas
  has create2.bas 'own create 0'
  printf 'shared data\n' > wfile
  printf '10 OPEN INPUT (1)"wfile"\n20 OPEN -(2,ERR=40)"wfile"\n30 WRITE (2)"planted"\n40 PRINT "widen",ERR\nRUN\n' > widen.bas
  swapped wfile open-rdwr widen.bas
  has widen.bas 'widen 12'
  printf 'shared data\n' > wfile2
  printf '10 OPEN INPUT (1)"wfile2"\n20 OPEN -(2)"wfile2"\n25 WRITE (2)"S"\n30 READ (1)A$\n40 PRINT "own widen ",A$\nRUN\n' > widen2.bas
  session widen2.bas
  has widen2.bas 'own widen S'
  # The kind of a file, and the check of the links to a device, are made on
  # what its name shows; a file swapped at the name before the open is not
  # opened (error 12): not another file, nor a FIFO that holds the open,
  # nor a device behind another user's link.
  printf 'shared data\n' > sdata
  printf '10 OPEN (1,ERR=30)"sdata"\n20 WRITE (1)"planted"\n30 PRINT "swapped",ERR\nRUN\n' > swapopen.bas
  swapped sdata open-nocreat swapopen.bas
  has swapopen.bas 'swapped 12'
  swapped_in() {  # $1: name, $2: what is swapped in, $3: session
    SWAP_NAME=$1 SWAP_WHEN=open-nocreat SWAP_FROM=$2 SWAP_TO=$1 LD_PRELOAD="$tmp/swap.so" \
      timeout 20 "$oru" < "$3" > "$3.got" 2>&1
  }
  printf 'shared data\n' > fdata
  mkfifo fswap
  printf '10 OPEN INPUT (1,ERR=30)"fdata"\n20 READ (1,END=30)A$\n30 PRINT "fifo swapped",ERR\nRUN\n' > fswap.bas
  swapped_in fdata fswap fswap.bas
  has fswap.bas 'fifo swapped 12'
  if [ $root = yes ]; then
    printf 'shared data\n' > zdata
    ln -s /dev/zero zswap; chown -h 65534 zswap
    printf '10 OPEN (1,ERR=30)"zdata"\n20 READ (1,END=30)A$\n30 PRINT "device swapped",ERR\nRUN\n' > zswap.bas
    swapped_in zdata zswap zswap.bas
    has zswap.bas 'device swapped 12'
  else
    skipped "another user's link to a device swapped in"
  fi
else
  echo "no C compiler: files swapped between two looks skipped"
fi

# A PDF document is written through the descriptor its OPEN created and
# renamed over its name only while the temporary name still holds that
# file: a link put there in the meantime (another user's, in a shared
# folder) is neither written through nor renamed over the document; CLOSE
# says so (error 10) and the previous document stays.  Both back ends.
mkdir -p victim
cat > pdflink.bas <<'EOF'
10 OPEN (1)"*pdf*FILE=report.pdf"
20 PRINT (1)"the report"
30 INPUT "swap? ",A$
40 CLOSE (1,ERR=60)
50 PRINT "pdf close 0"; STOP
60 PRINT "pdf close",ERR
RUN
EOF
for backend in own lib; do
  printf 'previous\n' > report.pdf
  printf 'my profile\n' > victim/pprofile
  {
    [ $backend = lib ] && echo "SET_PARAM 'PH'"
    cat pdflink.bas
    n=0
    while [ -z "$(ls -A | grep '^\.report\.pdf\.')" ] && [ $n -lt 200 ]; do sleep 0.05; n=$((n + 1)); done
    t=$(ls -A | grep '^\.report\.pdf\.' | head -1)
    if [ -n "$t" ]; then
      rm -f "$t"; ln -s "$tmp/victim/pprofile" "$t"
      [ $root = yes ] && chown -h 65534 "$t"
    fi
    echo go
  } | "$oru" > pdflink.bas.got 2>&1
  [ "$(cat victim/pprofile)" = "my profile" ] || bad "$backend: CLOSE wrote the PDF document through a link put at its temporary name"
  [ -L report.pdf ] && bad "$backend: CLOSE renamed a link put at its temporary name over the document"
  [ "$(cat report.pdf)" = previous ] || bad "$backend: the previous document did not stay"
  has pdflink.bas 'pdf close 10'
  rm -f .report.pdf.*
done

exit $fail
