#!/bin/sh
# What a user who can write a shared directory must not be able to do to
# another user who works in it: names and file contents never reach a shell,
# an untrusted ini file is skipped, no file is written through a symbolic
# link, a path that does not fit is refused instead of cut.  Every case is
# built here in a private scratch directory.
. "$(dirname "$0")/lib.sh"
fail=0
bad() { echo "$1"; fail=1; }

# session FILE: types FILE at a fresh console; its output is in FILE.got.
session() { "$oru" < "$1" > "$1.got" 2>&1; }
# has FILE TEXT: the session's output holds the line TEXT.
has() { grep -qxF -- "$2" "$1.got" || { bad "$1: no line '$2' in:"; cat "$1.got"; }; }

# A directory name is data: reading the directory runs no command.  The
# entries come sorted by their bytes, "." and ".." first.
mkdir 'q;id>P' 'q;id>P/sub'
: > 'q;id>P/b'; : > 'q;id>P/A'; : > 'q;id>P/a'; : > 'q;id>P/.h'
cat > dir.bas <<'EOF'
10 OPEN (1)"q;id>P"
20 READ (1,END=40)A$
30 PRINT A$,"|",; GOTO 20
40 PRINT
RUN
EOF
session dir.bas
[ -e P ] && bad "reading the directory 'q;id>P' ran a command"
has dir.bas '.|..|.h|A|a|b|sub|'
# The user's own listing command (ORULS) gives the listing; the directory's
# name is no part of the command the shell reads.
ORULS='ls -a -r' "$oru" < dir.bas > dir.bas.got 2>&1
[ -e P ] && bad "the listing command ORULS ran the directory's name as a command"
has dir.bas 'sub|b|a|A|.h|..|.|'

# A link file names a file; a command or bracketed device in it is refused.
link() {  # $1: file, $2: target
  { printf '[Orulnk]%-60s%-12s' "$2" ""; head -c 176 /dev/zero; } > "$1"
}
link pipe.lnk '|echo pwned > PWNED'
link read.lnk '<echo pwned > PWNED'
link write.lnk '>echo pwned > PWNED'
link tcp.lnk '[tcp]localhost;7'
printf 'plain\n' > plain.txt
link file.lnk plain.txt
cat > link.bas <<'EOF'
10 OPEN (1,ERR=20)"pipe.lnk"
20 PRINT "pipe",ERR
30 OPEN (2,ERR=40)"read.lnk"
40 PRINT "read",ERR
50 OPEN (3,ERR=60)"write.lnk"
60 PRINT "write",ERR
70 OPEN (4,ERR=80)"tcp.lnk"
80 PRINT "tcp",ERR
90 OPEN (5)"file.lnk"
100 READ (5)A$
110 PRINT A$
RUN
EOF
session link.bas
[ -e PWNED ] && bad "a link file ran its target as a command"
has link.bas 'pipe 10'
has link.bas 'read 10'
has link.bas 'write 10'
has link.bas 'tcp 10'
has link.bas 'plain'

# The working directory's ini file counts only when it is the user's own and
# nobody else may write it.
printf '[globals]\nABC$=trusted\n' > kestil.ini
chmod 644 kestil.ini
ini() { printf 'PRINT "<"+%%ABC$+">"\n' | "$oru" > ini.got 2>ini.err; }
ini
grep -qx '<trusted>' ini.got || { bad "own ini file not read"; cat ini.got ini.err; }
chmod 664 kestil.ini
ini
grep -qx '<>' ini.got || { bad "group-writable ini file read"; cat ini.got; }
grep -q 'kestil.ini ignored' ini.err || bad "no warning for the group-writable ini file"
chmod 646 kestil.ini
ini
grep -qx '<>' ini.got || { bad "world-writable ini file read"; cat ini.got; }
chmod 644 kestil.ini
if [ "$(id -u)" = 0 ]; then
  chown 65534 kestil.ini
  ini
  grep -qx '<>' ini.got || { bad "another user's ini file read"; cat ini.got; }
  grep -q 'kestil.ini ignored' ini.err || bad "no warning for another user's ini file"
fi
rm -f kestil.ini

# A path longer than the host path buffer is error 10, never a shorter path
# that names another file: a deep working directory, and a PREFIX entry.
base=$(pwd -P)
need=$((1016 - ${#base}))
deep=$base
while [ $need -gt 0 ]; do
  n=$need; [ $n -gt 200 ] && n=200
  [ $((need - n)) -gt 0 ] && [ $((need - n)) -lt 2 ] && n=$((n - 2))
  deep="$deep/$(printf '%*s' $((n - 1)) '' | tr ' ' d)"
  need=$((need - n))
done
mkdir -p "$deep" || exit 2
: > "$deep/victim"
cd "$deep" || exit 2
printf '10 ERASE "victim_not_this_one",ERR=20\n20 PRINT "erase",ERR\nRUN\n' > "$base/deep.bas"
"$oru" < "$base/deep.bas" > "$base/deep.bas.got" 2>&1
cd "$base" || exit 2
[ -e "$deep/victim" ] || bad "ERASE from a deep directory removed a shorter name"
has deep.bas 'erase 10'
: > "$deep/victim"
printf 'PREFIX "%s/"\n10 ERASE "victim_not_this_one",ERR=20\n20 PRINT "prefix",ERR\nRUN\n' "$deep" > prefix.bas
session prefix.bas
[ -e "$deep/victim" ] || bad "ERASE through a long PREFIX entry removed a shorter name"
has prefix.bas 'prefix 10'
# ...and a link file's target, read from the deep directory.
printf 'victim\n' > "$deep/victim"
link "$deep/l.lnk" victim_not_this_one
link "$deep/s.lnk" victim
cat > linkdeep.bas <<'EOF'
10 OPEN (1,ERR=30)"l.lnk"
20 READ (1)A$
25 PRINT "read ",A$
30 PRINT "link",ERR
40 OPEN (2)"s.lnk"
50 READ (2)A$
60 PRINT "short ",A$
RUN
EOF
cd "$deep" || exit 2
"$oru" < "$base/linkdeep.bas" > "$base/linkdeep.bas.got" 2>&1
cd "$base" || exit 2
grep -q '^read' linkdeep.bas.got && bad "a link target in a deep directory opened a shorter name"
has linkdeep.bas 'link 10'
has linkdeep.bas 'short victim'

# The text copy of a saved program replaces a symbolic link at its name
# instead of writing through it.
mkdir cvs prog
echo "$base/cvs" > prog/.kestcvs
printf 'untouched\n' > victim.txt
ln -s "$base/victim.txt" cvs/copied.qebrg
printf '10 PRINT "copied"\nSAVE "prog/copied"\n' > save.bas
session save.bas
[ "$(cat victim.txt)" = untouched ] || bad "SAVE wrote its text copy through a symbolic link"
[ -L cvs/copied.qebrg ] && bad "the text copy is still the symbolic link"
grep -q 'PRINT "copied"' cvs/copied.qebrg 2>/dev/null || bad "no text copy written"
ls cvs | grep -q 'XXXX\|qebrg\.' && bad "a temporary file of the text copy was left behind"

# Sizes from input are bounded: SIZ= is capped at the longest record; a
# program file whose version history claims an image of 4 GB is damage that
# ends the history, not an allocation of that size.
cat > size.bas <<'EOF'
5 SET_PARAM 'SZ'=400000
10 OPEN (1,SIZ=2147483647,ERR=30)"plain.txt"
20 READ (1,ERR=30)A$
30 PRINT "text",ERR
40 OPEN (2,SIZ=-2147483647,BIN=1,ERR=60)"plain.txt"
50 READ (2,ERR=60)B$
60 PRINT "binary",ERR
70 PRINT "done"
RUN
EOF
session size.bas
has size.bas 'done'
has size.bas 'text 0'
has size.bas 'binary 0'

{ printf '[Oruprg]'; head -c 88 /dev/zero; printf '\377\377\377\360'; head -c 156 /dev/zero; } > history
printf '10 PRINT "saved"\nSAVE "history"\nLOAD "history"\nRUN\n' > history.bas
# Address space is limited to 1 GB where it can be (not under the address
# sanitizer, whose shadow memory needs more: its run-time library is linked
# in or, with clang, part of the executable).
if ldd "$oru" 2>/dev/null | grep -q asan || grep -qa __asan_init "$oru"; then
  session history.bas
else
  (ulimit -v 1000000 2>/dev/null; "$oru" < history.bas > history.bas.got 2>&1)
fi
has history.bas 'saved'
grep -q 'prg]' history || bad "the program was not saved"
[ "$(od -An -tx1 -j8 -N2 history | tr -d ' ')" != 0000 ] || bad "the new image is not the file's first block"

# A tampered program whose line cannot be listed: the error report says so
# and the console goes on (the code 12 where PRINT was).
printf '10 PRINT 1\nSAVE "tampered"\n' | "$oru" > /dev/null 2>&1
printf '\014' | dd of=tampered bs=1 seek=260 conv=notrunc 2> /dev/null
printf 'LOAD "tampered"\nRUN\nPRINT "alive"\n' > tampered.bas
session tampered.bas
has tampered.bas 'alive'
has tampered.bas '(the line cannot be listed)'

# SCLL( signals single processes only.
cat > scll.bas <<'EOF'
10 PRINT "zero",SCLL(0,0,ERR=20)
20 PRINT ERR
30 PRINT "minus",SCLL(-1,0,ERR=40)
40 PRINT ERR
50 PRINT "init",SCLL(1,0,ERR=60)
60 PRINT ERR
RUN
EOF
session scll.bas
[ "$(grep -c ' 41$' scll.bas.got)" = 3 ] || { bad "SCLL( of pids below 2 not refused with 41"; cat scll.bas.got; }

# The cipher's nonce differs between processes: each first SAVE draws its
# own (bytes 90-91 of the header).
printf '10 PRINT 1\nSAVE "n1"\n' | "$oru" > /dev/null 2>&1
printf '10 PRINT 1\nSAVE "n2"\n' | "$oru" > /dev/null 2>&1
printf '10 PRINT 1\nSAVE "n3"\n' | "$oru" > /dev/null 2>&1
r1=$(od -An -tx1 -j90 -N2 n1); r2=$(od -An -tx1 -j90 -N2 n2); r3=$(od -An -tx1 -j90 -N2 n3)
[ -n "$r1" ] || bad "no program saved"
[ "$r1" = "$r2" ] && [ "$r2" = "$r3" ] && bad "three processes' first SAVE share the nonce $r1"

# SIGTSTP: the status file beside the library directory is written by the
# main line with the user's umask, never through a symbolic link.
mkdir st
ln -s "$lib" st/lib
printf '1 SERIAL "sts.txt",ERR=*NEXT\n2 OPEN (4)"sts.txt"; SETERR 4\n3 X=1/0\n4 SETERR OFF; DEF MSG(-1,"kept text")\n5 PRINT "looping"\n10 WAIT 0.05\n20 GOTO 10\nSAVE "stsloop"\nRUN\n' > st/loop.bas
tstp() {  # starts a looping program, sends SIGTSTP, waits for the escape
  rm -f st/loop.got
  (cd st && umask 077 && ORULIB="$tmp/st/lib" exec "$oru" < loop.bas > loop.got 2>&1) &
  pid=$!
  # The signal goes once the program runs (its handlers are in place then).
  i=0
  until grep -q '^looping' st/loop.got 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 1200 ] && break
    sleep 0.05
  done
  kill -TSTP $pid
  i=0
  while kill -0 $pid 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 600 ] && { kill -9 $pid; bad "SIGTSTP did not stop the program"; break; }
    sleep 0.05
  done
  wait $pid 2>/dev/null
}
ln -s "$tmp/victim.sts" st/kestil.sts
tstp
[ -e victim.sts ] && bad "the status file was written through a symbolic link"
rm -f st/kestil.sts
tstp
grep -q "^Kestil Signal: Pid=$pid," st/kestil.sts 2>/dev/null || { bad "no status file"; cat st/loop.got; }
# It tells the program and line, the last error, the channels last opened
# and used, and the extended message.
grep -q "^Program: .*stsloop  (\(10\|20\))$" st/kestil.sts || bad "status file: no program: $(cat st/kestil.sts)"
grep -q "^ERR=40 LFO=4 LFA=4$" st/kestil.sts || bad "status file: no ERR, LFO, LFA: $(cat st/kestil.sts)"
grep -q "^MSG(-1)=kept text$" st/kestil.sts || bad "status file: no MSG(-1): $(cat st/kestil.sts)"
case $(ls -l st/kestil.sts 2>/dev/null) in
  -rw-------*) ;;
  *) bad "status file mode ignores the umask: $(ls -l st/kestil.sts)" ;;
esac

# OPEN LOCK takes write access: a user who may only read the file gets
# error 13, not an exclusive open that writers ignore.
if [ "$(id -u)" = 0 ] && command -v setpriv > /dev/null; then
  mkdir shared && chmod 755 shared "$tmp"
  printf 'data\n' > shared/ro; chmod 644 shared/ro
  cat > shared/lock.bas <<'EOF'
10 OPEN LOCK (1,ERR=20)"ro"
15 PRINT "locked"
20 PRINT "lock",ERR
30 OPEN INPUT LOCK (2,ERR=40)"ro"
35 PRINT "locked"
40 PRINT "input lock",ERR
50 OPEN INPUT (3)"ro"
60 READ (3)A$
70 PRINT A$
RUN
EOF
  (cd shared && setpriv --reuid=65534 --regid=65534 --clear-groups "$oru" < lock.bas > lock.bas.got 2>&1)
  grep -q '^locked' shared/lock.bas.got && bad "a reader got OPEN LOCK"
  grep -qx 'lock 13' shared/lock.bas.got || { bad "OPEN LOCK without write access: not 13"; cat shared/lock.bas.got; }
  grep -qx 'input lock 13' shared/lock.bas.got || bad "OPEN INPUT LOCK without write access: not 13"
  grep -qx 'data' shared/lock.bas.got || bad "a reader cannot read the file"
else
  echo "not root or no setpriv: the read-only OPEN LOCK case is skipped"
fi

exit $fail
