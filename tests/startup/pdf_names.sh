#!/bin/sh
# A PDF document named by a FIFO or a device is written into it, as into any
# existing file; one named by the user's own link into the file the link
# leads to; one whose directory takes no new file, or that the user may
# write but not replace (a sticky folder), into that file itself; a name of
# 255 bytes; a document keeps the previous one's permissions without set-id
# bits.
# The FIFO's reader gets the document, and neither the FIFO nor the device
# is replaced by a file or removed at CLOSE (a document without pages).  One
# that belongs to another user, or is reached through another user's link,
# is refused (error 10).  Both back ends.  Devices and other users' files
# need root; elsewhere those cases say they are skipped.
. "$(dirname "$0")/lib.sh"
fail=0
bad() { echo "$1"; fail=1; }
root=no; [ "$(id -u)" = 0 ] && root=yes
backends=own
[ -f "$(dirname "$oru")/libhzef.so" ] && backends="own lib"

# run BACKEND NAME: types NAME.bas at a fresh console; output to NAME.got.
run() {
  { [ "$1" = lib ] && echo "SET_PARAM 'PH'"; cat "$2.bas"; } | "$oru" > "$2.got" 2>&1
}
has() { grep -qxF -- "$2" "$1.got" || { bad "$1: no line '$2' in:"; cat "$1.got"; }; }

cat > fifo.bas <<'EOF'
10 OPEN (1,ERR=90)"*pdf*FILE=spool"
20 PRINT (1)"to the spooler"
30 CLOSE (1,ERR=95)
40 PRINT "fifo closed"; STOP
90 PRINT "fifo open",ERR; STOP
95 PRINT "fifo close",ERR
RUN
EOF
for be in $backends; do
  rm -f spool got.pdf; mkfifo spool
  # Descriptor 8 keeps the FIFO open, so that what oru writes stays in it
  # however late the reader comes (under load).
  exec 8<> spool
  cat spool > got.pdf &
  reader=$!
  run $be fifo
  exec 8>&-
  # The reader ends when the document's writer closes; a writer that never
  # opened the FIFO leaves it waiting.
  n=0; while kill -0 $reader 2>/dev/null && [ $n -lt 200 ]; do sleep 0.05; n=$((n + 1)); done
  kill -0 $reader 2>/dev/null && { kill $reader; wait $reader 2>/dev/null; }
  has fifo 'fifo closed'
  [ -p spool ] || bad "$be: the FIFO at the document's name was replaced"
  head -c 8 got.pdf | grep -q '^%PDF-1\.' || bad "$be: the FIFO's reader got no document"
  ls -A | grep -q '^\.spool\.' && bad "$be: a temporary file was left beside the FIFO"
done

# A symbolic link of the user's own at the name is followed: the document
# replaces the file it leads to, the link stays.
cat > ownlink.bas <<'EOF'
10 OPEN (1,ERR=90)"*pdf*FILE=current.pdf"
20 PRINT (1)"this month"
30 CLOSE (1,ERR=95)
40 PRINT "link closed"; STOP
90 PRINT "link open",ERR; STOP
95 PRINT "link close",ERR
RUN
EOF
for be in $backends; do
  rm -rf archive current.pdf; mkdir archive
  printf 'last month\n' > archive/month.pdf
  ln -s archive/month.pdf current.pdf
  run $be ownlink
  has ownlink 'link closed'
  [ -L current.pdf ] || bad "$be: the user's own link at the document's name was replaced"
  head -c 8 archive/month.pdf | grep -q '^%PDF-1\.' || bad "$be: the file the user's link leads to did not get the document"
  { ls -A; ls -A archive; } | grep -q '^\.' && bad "$be: a temporary file was left"
done

# The new document keeps the previous one's permissions, but never its
# set-user-id or set-group-id bit (a write into the file would clear them).
cat > setid.bas <<'EOF'
10 OPEN (1)"*pdf*FILE=setid.pdf"
20 PRINT (1)"no set-id bits"
30 CLOSE (1)
40 PRINT "set-id closed"
RUN
EOF
for be in $backends; do
  printf 'previous\n' > setid.pdf; chmod 4754 setid.pdf
  run $be setid
  has setid 'set-id closed'
  [ -u setid.pdf ] && bad "$be: the document took the previous one's set-user-id bit"
  [ "$(stat -c %a setid.pdf)" = 754 ] || bad "$be: the document's permissions are $(stat -c %a setid.pdf), not 754"
done

# A document that may be written in a directory that takes no new file is
# written in place.  Root writes any directory: as root the case runs as
# uid 65534.
cat > rodir.bas <<'EOF'
10 OPEN (1,ERR=90)"*pdf*FILE=ro/kept.pdf"
20 PRINT (1)"written in place"
30 CLOSE (1,ERR=95)
40 PRINT "in place closed"; STOP
90 PRINT "in place open",ERR; STOP
95 PRINT "in place close",ERR
RUN
EOF
as_other=
if [ $root = yes ]; then
  command -v setpriv > /dev/null 2>&1 && as_other="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi
if [ $root = no ] || [ -n "$as_other" ]; then
  chmod 755 "$tmp"
  for be in $backends; do
    rm -rf ro; mkdir ro; printf 'previous\n' > ro/kept.pdf
    if [ $root = yes ]; then chown 65534 ro/kept.pdf; fi
    chmod 555 ro
    { [ $be = lib ] && echo "SET_PARAM 'PH'"; cat rodir.bas; } | $as_other "$oru" > rodir.got 2>&1
    has rodir 'in place closed'
    head -c 8 ro/kept.pdf | grep -q '^%PDF-1\.' || bad "$be: the document was not written in place"
    chmod 755 ro
  done
  chmod 700 "$tmp"
else
  echo "skipped: a directory root may not write (setpriv missing)"
fi

# Another user's document in a sticky shared folder, which the user may
# write but not replace, is written in place too (the rename at CLOSE would
# be refused and the document lost).
cat > sticky.bas <<'EOF'
10 OPEN (1,ERR=90)"*pdf*FILE=shared/theirs.pdf"
20 PRINT (1)"our turn"
30 CLOSE (1,ERR=95)
40 PRINT "sticky closed"; STOP
90 PRINT "sticky open",ERR; STOP
95 PRINT "sticky close",ERR
RUN
EOF
if [ $root = yes ] && [ -n "$as_other" ]; then
  chmod 755 "$tmp"
  for be in $backends; do
    rm -rf shared; mkdir shared; chmod 1777 shared
    printf 'previous\n' > shared/theirs.pdf; chown 65533 shared/theirs.pdf; chmod 666 shared/theirs.pdf
    { [ $be = lib ] && echo "SET_PARAM 'PH'"; cat sticky.bas; } | $as_other "$oru" > sticky.got 2>&1
    has sticky 'sticky closed'
    head -c 8 shared/theirs.pdf | grep -q '^%PDF-1\.' || bad "$be: the document in a sticky folder was lost"
  done
  chmod 700 "$tmp"
else
  echo "skipped: another user's document in a sticky folder needs root and setpriv"
fi

# A name as long as a file name may be (255 bytes) takes a document too:
# its temporary file's name is cut to fit.
long=$(printf '%0251d.pdf' 0 | tr 0 n)
printf '10 OPEN (1,ERR=90)"*pdf*FILE=%s"\n20 PRINT (1)"long name"\n30 CLOSE (1,ERR=95)\n40 PRINT "long closed"; STOP\n90 PRINT "long open",ERR; STOP\n95 PRINT "long close",ERR\nRUN\n' "$long" > longname.bas
for be in $backends; do
  rm -f "$long"
  run $be longname
  has longname 'long closed'
  head -c 8 "$long" 2>/dev/null | grep -q '^%PDF-1\.' || bad "$be: no document of a 255-byte name"
done

if [ $root = yes ]; then
  cat > dev.bas <<'EOF'
10 OPEN (1,ERR=90)"*pdf*FILE=nulldev"
20 PRINT (1)"discarded"
30 CLOSE (1,ERR=95)
40 OPEN (1,ERR=90)"*pdf*FILE=nulldev"
50 CLOSE (1,ERR=95)
60 PRINT "device closed"; STOP
90 PRINT "device open",ERR; STOP
95 PRINT "device close",ERR
RUN
EOF
  cat > foreign.bas <<'EOF'
10 OPEN (1,ERR=30)"*pdf*FILE=theirs"
20 PRINT (1)"report"; CLOSE (1); PRINT "theirs written"; GOTO 40
30 PRINT "theirs",ERR
40 OPEN (1,ERR=60)"*pdf*FILE=devlink"
50 PRINT (1)"report"; CLOSE (1); PRINT "devlink written"; STOP
60 PRINT "devlink",ERR
RUN
EOF
  for be in $backends; do
    rm -f nulldev theirs devlink
    mknod nulldev c 1 3
    run $be dev
    has dev 'device closed'
    [ -c nulldev ] || bad "$be: the device at the document's name was replaced or removed"
    ls -A | grep -q '^\.nulldev\.' && bad "$be: a temporary file was left beside the device"
    # Another user's FIFO would hand the document to that user's reader;
    # another user's link would reach a device of that user's choice.
    mkfifo theirs; chown 65534 theirs
    ln -s nulldev devlink; chown -h 65534 devlink
    run $be foreign
    has foreign 'theirs 10'
    has foreign 'devlink 10'
    [ -p theirs ] || bad "$be: another user's FIFO was replaced"
    [ -L devlink ] || bad "$be: another user's link to a device was replaced"
  done
else
  echo "skipped: devices and other users' FIFOs need root"
fi
exit $fail
