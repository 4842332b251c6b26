#!/bin/sh
# Four oru processes write to one journal directory at once, and one of
# them marks the current file full every 300 entries, so that all move on
# to the next numbered file while they write: every entry must be present
# once and every chain of previous-record addresses intact
# (journal_check.py).
here="$(cd "$(dirname "$0")" && pwd)"
. "$(dirname "$0")/lib.sh"
command -v python3 > /dev/null || { echo "python3 missing: skipped"; exit 77; }
mkdir jd || exit 2
count=1500
for p in 1 2 3 4; do
  swap=0; [ $p = 1 ] && swap=300
  cat > p$p.bas <<BAS
10 SET_JOURNAL OPEN "jd"
20 KEYED "f$p",8,0,40,OPT="1"; SET_JOURNAL ENABLE "f$p"; OPEN (1)"f$p"
30 FOR I=1 TO $count
40 SET_JOURNAL WRITE "P$p-"+STR(I)
50 IF MOD(I,10)=0 THEN WRITE (1,KEY=STR(I:"00000000"))"record "+STR(I)
60 IF $swap>0 THEN IF MOD(I,$swap)=0 THEN SET_JOURNAL SWAP
70 NEXT I
80 CLOSE (1); SET_JOURNAL CLOSE; PRINT "done"
RUN
BAS
  "$oru" < p$p.bas > p$p.out 2>&1 &
done
wait
for p in 1 2 3 4; do
  grep -q '^done$' p$p.out || { echo "process $p did not finish:"; tail -5 p$p.out; exit 1; }
done
python3 "$here/journal_check.py" jd 4 $count
