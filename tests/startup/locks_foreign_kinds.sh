#!/bin/sh
# LOCK between two oru processes on C-ISAM pairs and on read-only foreign
# keyed files.  A pair locked in one process keeps the other's opens out
# (busy 0), for input too, and what was written while it was locked is
# there after the UNLOCK; a LOCK is refused while the other process has the
# pair open.  A foreign keyed file locked in one process keeps the other's
# opens out and its header from writers of the format until the UNLOCK.
src=$(cd "$(dirname "$0")/../programs" && pwd)
. "$(dirname "$0")/lib.sh"
cp "$src/cisam/orders.idx" "$src/cisam/orders.dat" "$src/bbx/parts.bbx" . || exit 2
chmod u+w orders.idx orders.dat parts.bbx
start_holder

answer() {
  printf '%s\n' "1 SET_PARAM 'WT'=0" "$1" RUN | tr '|' '\n' | "$oru" 2>&1 | grep -E '^(ok|busy)' | tr -s ' '
}

OPEN_PAIR='10 OPEN (1,ERR=100)"orders.idx"|20 PRINT "ok"|30 END|100 PRINT "busy",ERR'
LOCK_PAIR='10 OPEN (1)"orders.idx"|20 LOCK (1,ERR=100)|30 PRINT "ok"|40 END|100 PRINT "busy",ERR'
READ_PAIR='10 OPEN INPUT (1,ERR=100)"orders.idx"|20 READ RECORD (1,KEY="000077",DOM=90)R$|30 PRINT "ok ",R$(1,10)|40 END|90 PRINT "ok missing"; END|100 PRINT "busy",ERR'

hold 'OPEN (1)"orders.idx"' opened
expect "LOCK of a pair open elsewhere" "$LOCK_PAIR" "busy 0"
hold 'LOCK (1)' locked
expect "OPEN of a pair locked elsewhere" "$OPEN_PAIR" "busy 0"
expect "OPEN INPUT of a pair locked elsewhere" "$READ_PAIR" "busy 0"
hold 'WRITE RECORD (1)"000077LOCKED    0001          "' written
hold 'UNLOCK (1)' unlocked
expect "record written while the pair was locked" "$READ_PAIR" "ok 000077LOCK"
expect "OPEN of a pair after UNLOCK" "$OPEN_PAIR" "ok"
hold 'LOCK (1)' locked2
hold 'CLOSE (1)' closed
expect "LOCK after the holder closed the pair" "$LOCK_PAIR" "ok"

# A pair opened exclusively and then unlocked is shared from then on: what
# it writes reaches the files at once, and it reads what others write.
hold 'OPEN LOCK (1)"orders.idx"' opened_excl
expect "OPEN of a pair opened exclusively elsewhere" "$OPEN_PAIR" "busy 0"
hold 'UNLOCK (1)' unlocked_excl
hold 'WRITE RECORD (1)"000078SHARED    0001          "' written_shared
expect "record written after the UNLOCK" "$(echo "$READ_PAIR" | sed 's/000077/000078/')" "ok 000078SHAR"
expect "a write from the other process" '10 OPEN (1)"orders.idx"|20 WRITE RECORD (1)"000079OTHER     0001          "|30 PRINT "ok"' "ok"
hold 'READ RECORD (1,KEY="000079",DOM=9999)R$; PRINT "got ",R$(1,11)' read_other
grep -q '^got 000079OTHE' held.out || { echo "the other process's record"; cat held.out; exit 1; }
hold 'CLOSE (1)' closed_excl

OPEN_BBX='10 OPEN (1,ERR=100)"parts.bbx"|20 READ RECORD (1,KEY="P200")R$|30 K$=KEC(1); PRINT "ok ",K$(1,4)|40 END|100 PRINT "busy",ERR'
# A writer of the format locks the header bytes 16-255 exclusively.
writer() {
  python3 -c 'import fcntl, sys
f = open("parts.bbx", "r+b")
try:
    fcntl.lockf(f, fcntl.LOCK_EX | fcntl.LOCK_NB, 240, 16)
    print("free")
except OSError:
    print("held")'
}
hold 'OPEN (2)"parts.bbx"' opened2
hold 'LOCK (2)' locked3
expect "OPEN of a foreign keyed file locked elsewhere" "$OPEN_BBX" "busy 0"
got=$(writer)
[ "$got" = held ] || { echo "header of a locked foreign keyed file: $got"; cat held.out; exit 1; }
hold 'READ RECORD (2,KEY="P300")R$; K$=KEC(2); PRINT "read ",K$(1,4)' read3
grep -q '^read P300' held.out || { echo "READ of the locked channel"; cat held.out; exit 1; }
hold 'UNLOCK (2)' unlocked2
got=$(writer)
[ "$got" = free ] || { echo "header after UNLOCK: $got"; cat held.out; exit 1; }
expect "OPEN of a foreign keyed file after UNLOCK" "$OPEN_BBX" "ok P200"
end_holder quit
exit 0
