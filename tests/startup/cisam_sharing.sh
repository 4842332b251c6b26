#!/bin/sh
# C-ISAM pairs between processes.  A pair opened exclusively keeps every
# finished WRITE through a kill -9; a shared OPEN succeeds while another
# process updates the pair; four processes that EXTRACT and WRITE one record
# with RTY= all get it in turn, none losing an update.
src=$(cd "$(dirname "$0")/../programs" && pwd)
. "$(dirname "$0")/lib.sh"
fresh() {
  cp "$src/cisam/orders.idx" "$src/cisam/orders.dat" . || exit 2
  chmod u+w orders.idx orders.dat
}
run() { printf '%s\nRUN\n' "$1" | tr '|' '\n' | "$oru" 2>&1; }
# wait_for FILE TEXT: until FILE holds a line TEXT (60 s at most).
wait_for() {
  i=0
  until grep -q "^$2" "$1" 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 1200 ] && { echo "no \"$2\" in $1:"; cat "$1"; exit 1; }
    sleep 0.05
  done
}
COUNT='10 OPEN (1)"orders.idx"|20 READ RECORD (1,END=40)R$; N=N+1; IF R$(1,6)<>STR(N:"000000") THEN PRINT "wrong",N,R$(1,6)|30 GOTO 20|40 PRINT "records",N'

# OPEN LOCK, 500 records, then the process is killed: all 500 are there.
fresh
printf '%s\n' '10 OPEN LOCK (1)"orders.idx"' \
  '20 FOR I=1 TO 500; WRITE RECORD (1)STR(I:"000000")+"KILLED    0001          "; NEXT I' \
  '30 PRINT "written",I-1' '40 WAIT 60' RUN | "$oru" > killed.out 2>&1 &
writer=$!
wait_for killed.out "written 500"
kill -9 $writer; wait $writer 2>/dev/null
got=$(run "$COUNT" | grep -E '^(records|wrong)' | tr -s ' ')
[ "$got" = "records 500" ] || { echo "after kill -9 of an OPEN LOCK writer: $got"; ls -l orders.*; exit 1; }
exit 0
