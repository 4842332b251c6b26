#!/bin/sh
# LOCK between two oru processes: a channel locked in one makes the file busy
# (error 0) for the other, and a LOCK is refused while the other process has
# the file open; CLOSE releases the lock, and so does the end of the process
# that holds it.  Record locks of binary files: a record extracted in one
# process is busy for a READ in the other until it is written back.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
holder=
cleanup() {
  exec 7>&-
  [ -n "$holder" ] && kill -9 "$holder" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
printf 'one line\n' > data
printf 'aaaabbbbcccc' > recs
mkfifo in || exit 2
"$oru" < in > held.out 2>&1 &
holder=$!
exec 7> in

# Types a line at the holding process and waits until it printed mark.
hold() {
  printf '%s\nPRINT "%s"\n' "$1" "$2" >&7
  i=0
  until grep -q "^$2\$" held.out 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 200 ] && { echo "holder did not reach $2"; cat held.out; exit 1; }
    sleep 0.05
  done
}

# Runs a program (lines separated by "|") in another process, without busy
# retries; prints its lines that begin with "ok" or "busy".
other() {
  printf '%s\n' "1 SET_PARAM 'WT'=0" "$1" RUN | tr '|' '\n' | "$oru" 2>&1 | grep -E '^(ok|busy)' | tr -s ' '
}

expect() {  # expect "what" "program" "answer"
  got=$(other "$2")
  if [ "$got" != "$3" ]; then
    echo "$1: got '$got', want '$3'"
    cat held.out
    exit 1
  fi
}

OPEN_DATA='10 OPEN (1,ERR=100)"data"|20 PRINT "ok"|30 END|100 PRINT "busy",ERR'
LOCK_DATA='10 OPEN (1)"data"|20 LOCK (1,ERR=100)|30 PRINT "ok"|40 END|100 PRINT "busy",ERR'

hold 'OPEN (1)"data"' opened
expect "LOCK while another process has the file open" "$LOCK_DATA" "busy 0"
hold 'LOCK (1)' locked
expect "OPEN of a file locked elsewhere" "$OPEN_DATA" "busy 0"
hold 'UNLOCK (1)' unlocked
expect "OPEN after UNLOCK" "$OPEN_DATA" "ok"
hold 'LOCK (1)' locked2
hold 'CLOSE (1)' closed
expect "LOCK after the holder closed" "$LOCK_DATA" "ok"

# Record locks: EXTRACT keeps the record's bytes locked.
READ_REC='10 OPEN (1,BIN=4)"recs"|20 READ (1,IND=1,ERR=100)A$|30 PRINT "ok ",A$|40 END|100 PRINT "busy",ERR'
READ_OTHER='10 OPEN (1,BIN=4)"recs"|20 READ (1,IND=2,ERR=100)A$|30 PRINT "ok ",A$|40 END|100 PRINT "busy",ERR'
hold 'OPEN (2,BIN=4)"recs"' recs
hold 'EXTRACT (2,IND=1)X$' extracted
expect "READ of a record extracted elsewhere" "$READ_REC" "busy 0"
expect "READ of another record" "$READ_OTHER" "ok cccc"
hold 'WRITE RECORD (2,IND=1)"BBBB"' written
expect "READ after the record was written back" "$READ_REC" "ok BBBB"

# The end of the process releases a LOCK.
hold 'OPEN (1)"data"' opened2
hold 'LOCK (1)' locked3
expect "OPEN while locked" "$OPEN_DATA" "busy 0"
printf 'QUIT\n' >&7
exec 7>&-
wait "$holder" 2>/dev/null
holder=
expect "OPEN after the holder ended" "$OPEN_DATA" "ok"
exit 0
