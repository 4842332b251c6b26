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
COUNT='10 OPEN (1)"orders.idx"|20 READ RECORD (1,END=40)R$; N=N+1; IF R$(1,6)<>STR(N:"000000") THEN PRINT "wrong",N,R$(1,6)|30 GOTO 20|40 PRINT "records",N'

# OPEN LOCK, 500 records, then the process is killed: all 500 are there.
fresh
kill_after "written 500" '10 OPEN LOCK (1)"orders.idx"' \
  '20 FOR I=1 TO 500; WRITE RECORD (1)STR(I:"000000")+"KILLED    0001          "; NEXT I' \
  '30 PRINT "written",I-1' '40 WAIT 60'
got=$(run "$COUNT" | grep -E '^(records|wrong)' | tr -s ' ')
[ "$got" = "records 500" ] || { echo "after kill -9 of an OPEN LOCK writer: $got"; ls -l orders.*; exit 1; }

# One process EXTRACTs and WRITEs record 000001 over and over (its record
# lock covers the data file's first bytes) while another opens and closes
# the pair 200 times: every open succeeds.
fresh
run '10 OPEN (1)"orders.idx"; WRITE RECORD (1)"000001COUNTER   0000          "' > /dev/null
printf '%s\n' '10 OPEN (1)"orders.idx"; PRINT "looping"; WAIT .1' \
  '20 EXTRACT RECORD (1,KEY="000001",RTY=50)R$; WRITE RECORD (1)R$; GOTO 20' RUN | "$oru" > looper.out 2>&1 &
looper=$!
wait_for looper.out looping
got=$(run '10 FOR I=1 TO 200; OPEN (1,ERR=50)"orders.idx"; CLOSE (1); NEXT I; PRINT "opened",I-1,F; END|50 F=F+1; PRINT "failed",ERR; RETRY' |
  grep -E '^(opened|failed)' | sort | uniq -c | tr -s ' ')
kill -0 $looper 2>/dev/null || { echo "the updating process stopped:"; tail -3 looper.out; exit 1; }
kill -9 $looper; wait $looper 2>/dev/null
[ "$got" = " 1 opened 200 0" ] || { echo "shared opens beside an updating process: $got"; exit 1; }

# Four processes started together, each 300 times EXTRACT with RTY= and
# WRITE of one counter: the counter reaches 1,200, none gives up.
fresh
run '10 OPEN (1)"orders.idx"; WRITE RECORD (1)"000001COUNTER   0000          "' > /dev/null
printf '%s\n' '10 OPEN (4)"orders.idx"' \
  '20 FOR I=1 TO 300' \
  '30 EXTRACT RECORD (4,KEY="000001",RTY=5,ERR=90)R$' \
  '40 WRITE RECORD (4)R$(1,16)+STR(NUM(R$(17,4))+1:"0000")+R$(21)' \
  '50 NEXT I' '60 PRINT "finished"; END' '90 PRINT "gave up",ERR; END' RUN > worker.bas
for w in 1 2 3 4; do "$oru" < worker.bas > worker$w.out 2>&1 & done
wait
for w in 1 2 3 4; do
  grep -q '^finished' worker$w.out || { echo "worker $w:"; tail -3 worker$w.out; exit 1; }
done
got=$(run '10 OPEN (1)"orders.idx"; READ RECORD (1,KEY="000001")R$; PRINT "count ",R$(17,4)' | grep '^count')
[ "$got" = "count 1200" ] || { echo "four workers: $got"; exit 1; }
exit 0
