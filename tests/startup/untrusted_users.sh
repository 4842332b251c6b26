#!/bin/sh
# Two real users who share a data folder (group-writable, setgid and sticky:
# mode 3770, where the kernel follows any user's symbolic links): what the
# one (the attacker, uid 65533) plants there must not make the other's oru
# (the victim, uid 65534) read or write the victim's own files elsewhere.
# A file is opened through a symbolic link only when the link is the user's
# or root's (error 10 otherwise, the reason in MSG(-1)); a trace log is
# written only when it is the user's own.  Runs as root only (it makes the
# two users' files with setpriv); elsewhere skipped.
here=$(cd "$(dirname "$0")" && pwd)
. "$(dirname "$0")/lib.sh"
[ "$(id -u)" = 0 ] || { echo "not root: skipped"; exit 77; }
command -v setpriv > /dev/null || { echo "setpriv missing: skipped"; exit 77; }
fail=0
bad() { echo "$1"; fail=1; }
group=65000
victim="setpriv --reuid=65534 --regid=65534 --groups=$group"
attacker="setpriv --reuid=65533 --regid=65533 --groups=$group"
chmod 755 "$tmp"
# The build may sit where the users cannot enter: copies in the scratch folder.
mkdir bin && cp "$oru" bin/oru && cp -R "$lib" bin/lib && chmod -R a+rX bin ||
  { echo "cannot copy the build: skipped"; exit 77; }
oru="$tmp/bin/oru"
export ORULIB="$tmp/bin/lib"
$victim "$oru" < /dev/null > probe.out 2>&1
if [ $? -gt 1 ] || grep -q "ermission denied" probe.out; then
  echo "the victim cannot run the copied build: skipped"; cat probe.out; exit 77
fi

# The victim's home, and the shared folder.
mkdir home shared
chown 65534:65534 home; chmod 700 home
chgrp $group shared; chmod 3770 shared
$victim sh -c 'printf "my profile\n" > home/profile; cp home/profile home/profile.orig'
cat > home/make.bas <<'EOF'
10 KEYED "private","[1:1:4]",0,60
20 OPEN (1)"private"; WRITE (1)"SECR","the secret"; CLOSE (1)
30 PRINT "made"
RUN
EOF
chown 65534 home/make.bas
(cd home && $victim "$oru" < make.bas > make.got 2>&1)
grep -qx made home/make.got || { echo "the victim cannot make a keyed file: skipped"; cat home/make.got; exit 77; }

cp "$here/../pdf/cases/logo.jpg" home/pic.jpg && chown 65534 home/pic.jpg
# The attacker's links at shared names, to the victim's files (and one
# that dangles, to a file the victim would make).
(cd shared && $attacker sh -c "
  ln -s '$tmp/home/profile' notes
  ln -s '$tmp/home/private' k
  ln -s '$tmp/home' dir
  ln -s '$tmp/home/made-by-link' newf
  ln -s notes second
  ln -s '$tmp/home/pic.jpg' pic.jpg
  : > orutrace.log; chmod 666 orutrace.log")
# The victim's own link beside them, and one of the victim's that leads on
# to the attacker's.
(cd shared && $victim sh -c "ln -s '$tmp/home/profile' mine; ln -s notes own_then_other; ln -s '$tmp/home/pic.jpg' mypic.jpg")
cat > shared/victim.bas <<'EOF'
10 OPEN LOCK (1,ERR=30)"notes"
20 WRITE (1)"touch PWNED"
30 PRINT "text",ERR
40 PRINT MSG(-1)
50 OPEN (2,ERR=80)"k"
60 READ (2,KEY="SECR")A$,B$
70 PRINT "read ",B$
80 PRINT "keyed",ERR
90 OPEN (3,ERR=100)"dir"
100 PRINT "directory",ERR
110 OPEN (4,ERR=120)"second"
120 PRINT "chain",ERR
130 OPEN (5,ERR=140)"own_then_other"
140 PRINT "own then other",ERR
150 SERIAL "newf",ERR=160
160 PRINT "create",ERR
170 OPEN (6)"mine"
180 READ (6)A$
190 PRINT "own link: ",A$
200 CALL "notes",ERR=210
210 PRINT "call",ERR
220 TRACE "the victim's trace"
224 OPEN (7)"*pdf*FILE=v.pdf"
225 PRINT (7,ERR=226)PIC(0,0,160,160,"pic.jpg"); PRINT "picture drawn"
226 PRINT "picture",ERR
227 PRINT (7,ERR=228)PIC(0,0,160,160,"mypic.jpg"); PRINT "own picture drawn"
228 CLOSE (7)
230 PRINT "done"
RUN
EOF
chmod 644 shared/victim.bas
(cd shared && $victim timeout 20 "$oru" < victim.bas > "$tmp/victim.got" 2>&1)
has() { grep -qxF -- "$1" victim.got || { bad "no line '$1' in:"; cat victim.got; }; }
cmp -s home/profile home/profile.orig || { bad "a write through another user's link changed the profile"; cat home/profile; }
grep -q '^read ' victim.got && bad "a keyed file was read through another user's link"
has 'text 10'
has 'Symbolic link not owned by you or root'
has 'keyed 10'
has 'directory 10'
has 'chain 10'
has 'own then other 10'
has 'own link: my profile'
has 'call 10'
has 'picture 10'
has 'own picture drawn'
has 'done'
grep -q '^create 0' victim.got && bad "a file was made through a dangling link"
[ -e home/made-by-link ] && bad "a file was made through another user's dangling link"
[ -s shared/orutrace.log ] && { bad "the victim wrote into the attacker's trace log"; cat shared/orutrace.log; }
# The same through another user's link among the directories: a shared
# subfolder replaced by a link to the victim's home sends "sub/name" there
# (the kernel follows it in the group-sticky folder).  Reading, writing,
# making a file, SAVE, CALL, a picture and a PDF document are all refused;
# a folder link of the victim's own is followed.
(cd shared && $attacker ln -s "$tmp/home" sub && $victim ln -s "$tmp/home" mysub &&
  $victim ln -s mysub/../home/private mykeyed)
cat > shared/victim2.bas <<'EOF2'
10 OPEN LOCK (1,ERR=30)"sub/profile"
20 WRITE (1)"touch PWNED"
30 PRINT "folder text",ERR
40 OPEN (2,ERR=60)"sub/private"
50 READ (2,KEY="SECR")A$,B$; PRINT "read ",B$
60 PRINT "folder keyed",ERR
70 SERIAL "sub/made-in-home",ERR=80
80 PRINT "folder create",ERR
90 CALL "sub/make.bas",ERR=100
100 PRINT "folder call",ERR
110 OPEN (7)"*pdf*FILE=v2.pdf"
120 PRINT (7,ERR=130)PIC(0,0,160,160,"sub/pic.jpg"); PRINT "folder picture drawn"
130 PRINT "folder picture",ERR
140 CLOSE (7)
150 OPEN (8,ERR=160)"*pdf*FILE=sub/profile"; PRINT (8)"report"; CLOSE (8)
160 PRINT "folder pdf",ERR
170 OPEN (3)"mysub/profile"; READ (3)A$; PRINT "own folder link: ",A$
180 OPEN (4)"mykeyed"; READ (4,KEY="SECR")A$,B$; PRINT "own folder keyed: ",B$
RUN
SAVE "sub/profile"
PRINT "end"
EOF2
chmod 644 shared/victim2.bas
(cd shared && $victim timeout 20 "$oru" < victim2.bas > "$tmp/victim2.got" 2>&1)
has2() { grep -qxF -- "$1" victim2.got || { bad "no line '$1' in:"; cat victim2.got; }; }
cmp -s home/profile home/profile.orig || { bad "a write through another user's folder link changed the profile"; od -c home/profile | head; }
grep -q '^read ' victim2.got && bad "a keyed file was read through another user's folder link"
[ -e home/made-in-home ] && bad "a file was made through another user's folder link"
has2 'folder text 10'
has2 'folder keyed 10'
has2 'folder create 10'
has2 'folder call 10'
has2 'folder picture 10'
has2 'folder pdf 10'
has2 'own folder link: my profile'
has2 'own folder keyed: the secret'
has2 'end'

# The victim's own trace log is written.
rm -f shared/orutrace.log
(cd shared && $victim sh -c ': > orutrace.log' && $victim timeout 20 "$oru" < victim.bas > /dev/null 2>&1)
grep -qx "the victim's trace" shared/orutrace.log || bad "the victim's own trace log is not written"
exit $fail
