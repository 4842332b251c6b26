#!/bin/sh
# The system journal and transactions.
# 1. N WRITEs (default 1,000,000) of 64-byte records to an indexed file,
#    with the file journaled into a system journal (an after image a
#    WRITE) beside the same without journaling.
# 2. T transactions (default 10,000) of 10 WRITEs each to an EFF file,
#    each committed with SET_JOURNAL COMMIT, beside SQLite (python3 sqlite3,
#    WAL, synchronous=NORMAL) doing T transactions of 10 INSERTs.
# Seconds, each side timed inside its own process.
# Usage: bench/journal.sh [build-dir] [writes] [transactions]
. "$(dirname "$0")/lib.sh"
n=${2:-1000000}
t=${3:-10000}
cd "$tmp"
mkdir jd
for mode in off on; do
  jon="25 REM"; [ $mode = on ] && jon='25 SET_JOURNAL OPEN "jd"; SET_JOURNAL ENABLE "on.ind"'
  cat > ind_$mode.bas <<EOF
10 LET N=$n
20 INDEXED "$mode.ind",0,64
$jon
30 OPEN LOCK (1)"$mode.ind"
40 LET T\$="abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
50 LET T0=TMR(0)
60 FOR I=0 TO N-1
70 WRITE (1,IND=I)STR(I:"0000000")+T\$
80 NEXT I
90 PRINT "write ",STR(TMR(0)-T0:"##0.000")
100 CLOSE (1)
110 END
RUN
EOF
  "$oru" < ind_$mode.bas > ind_$mode.out 2>&1
done
cat > txn.bas <<EOF
10 LET T=$t
20 KEYED "txn.eff",10,0,80,OPT="1"
30 OPEN (1)"txn.eff"
40 LET D\$="abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
50 LET T0=TMR(0)
60 FOR I=1 TO T
70 SET_JOURNAL BEGIN
80 FOR J=1 TO 10; WRITE (1,KEY=STR(I*10+J:"0000000000"))D\$; NEXT J
90 SET_JOURNAL COMMIT
100 NEXT I
110 PRINT "transactions ",STR(TMR(0)-T0:"##0.000")
120 PRINT "records ",FIN(1,"NUMREC")
130 CLOSE (1)
140 END
RUN
EOF
"$oru" < txn.bas > txn.out 2>&1
cat > txn.py <<EOF
import sqlite3, time
t = $t
d = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
con = sqlite3.connect("txn.db", isolation_level=None)
con.execute("PRAGMA journal_mode=WAL")
con.execute("PRAGMA synchronous=NORMAL")
con.execute("CREATE TABLE r (k TEXT PRIMARY KEY, d TEXT)")
t0 = time.perf_counter()
for i in range(1, t + 1):
    con.execute("BEGIN")
    for j in range(1, 11):
        con.execute("INSERT INTO r VALUES (?, ?)", ("%010d" % (i * 10 + j), d))
    con.execute("COMMIT")
print("transactions %.3f" % (time.perf_counter() - t0))
print("records %d" % con.execute("SELECT COUNT(*) FROM r").fetchone()[0])
EOF
python3 txn.py > txn_py.out
get() { sed -n "s/^$1 *\([0-9.]*\).*/\1/p" "$2" | tail -1; }
off=$(get write ind_off.out); on=$(get write ind_on.out)
[ -n "$off" ] && [ -n "$on" ] || { echo "oru failed:"; tail -5 ind_off.out ind_on.out; exit 1; }
ot=$(get transactions txn.out); pt=$(get transactions txn_py.out)
[ -n "$ot" ] || { echo "oru failed:"; tail -5 txn.out; exit 1; }
[ "$(get records txn.out)" = "$(get records txn_py.out)" ] || echo "warning: oru holds $(get records txn.out) records, sqlite $(get records txn_py.out)"
r() { python3 -c "print('%.2f' % ($1 / max($2, 1e-9)))"; }
echo "indexed file, $n WRITEs: journal off $off s, on $on s, on/off $(r "$on" "$off")x (journal $(cat jd/* | wc -c) bytes)"
echo "$t transactions of 10 WRITEs: oru $ot s, sqlite3 $pt s, oru/sqlite $(r "$ot" "$pt")x"
