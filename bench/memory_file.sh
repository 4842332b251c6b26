#!/bin/sh
# Memory files beside CPython: N records (7 bytes) written with WRITE by a
# 10-byte external key in scattered key order, then read back by KEY= in
# another order; against a dict (insert, lookup) and an in-memory sqlite3
# table with an index (one transaction, prepared statements), using the same
# keys.  Seconds per phase, each side timed inside its own process.  The
# oru side runs again with 2N records to show how inserts grow (a balanced
# index: a little over twice the time).
# Usage: bench/memory_file.sh [build-dir] [records]
. "$(dirname "$0")/lib.sh"
n=${2:-1000000}
cd "$tmp"
# The memory limit (SZ, in KB) is raised so that the records fit.
mkbas() {
cat > mem.bas <<EOF
10 LET N=$1
15 SET_PARAM 'SZ'=1000000
20 OPEN (1,OPT="KEYDEF=10")"*memory*"
30 LET T0=TMR(0)
40 FOR I=0 TO N-1
50 LET K\$=STR(MOD(MOD(I*2654435761,4294967296),4000000000):"0000000000"); WRITE (1,KEY=K\$)STR(I:"0000000")
60 NEXT I
70 PRINT "insert ",STR(TMR(0)-T0:"##0.000")
80 LET T0=TMR(0),C=0
90 FOR I=0 TO N-1
100 LET K\$=STR(MOD(MOD(MOD(I*7919,N)*2654435761,4294967296),4000000000):"0000000000"); READ (1,KEY=K\$)D\$
110 LET C=C+LEN(D\$)
120 NEXT I
130 PRINT "read ",STR(TMR(0)-T0:"##0.000")
140 PRINT "count ",C
150 END
RUN
EOF
}
mkbas $((n * 2))
"$oru" < mem.bas > oru2.out 2>&1
mkbas "$n"
cat > mem.py <<EOF
import sqlite3, time
n = $n
def key(i): return "%010d" % ((i * 2654435761) % 4294967296 % 4000000000)
def rkey(i): return key(i * 7919 % n)
t = time.perf_counter()
d = {}
for i in range(n):
    d[key(i)] = "%07d" % i
print("dict_insert %.3f" % (time.perf_counter() - t))
t = time.perf_counter(); c = 0
for i in range(n):
    c += len(d[rkey(i)])
print("dict_read %.3f" % (time.perf_counter() - t))
db = sqlite3.connect(":memory:")
db.execute("create table t (k text, v text)")
db.execute("create unique index tk on t (k)")
t = time.perf_counter()
with db:
    for i in range(n):
        db.execute("insert into t values (?, ?)", (key(i), "%07d" % i))
print("sqlite_insert %.3f" % (time.perf_counter() - t))
t = time.perf_counter(); c2 = 0
for i in range(n):
    c2 += len(db.execute("select v from t where k = ?", (rkey(i),)).fetchone()[0])
print("sqlite_read %.3f" % (time.perf_counter() - t))
print("count %d %d" % (c, c2))
EOF
"$oru" < mem.bas > oru.out 2>&1
python3 mem.py > py.out
get() { sed -n "s/^$1 *\([0-9.]*\).*/\1/p" "$2" | tail -1; }
oi=$(get insert oru.out); or=$(get read oru.out)
[ -n "$oi" ] && [ -n "$or" ] || { echo "oru failed:"; tail -5 oru.out; exit 1; }
di=$(get dict_insert py.out); dr=$(get dict_read py.out)
si=$(get sqlite_insert py.out); sr=$(get sqlite_read py.out)
[ "$(get count oru.out)" = "$((n * 7))" ] || echo "warning: oru read $(get count oru.out) bytes, not $((n * 7))"
r() { python3 -c "print('%.2f' % ($1 / max($2, 1e-9)))"; }
echo "records: $n"
printf '%-7s %10s %10s %10s %12s %12s\n' phase oru dict sqlite3 oru/dict oru/sqlite3
printf '%-7s %10s %10s %10s %12s %12s\n' insert "$oi" "$di" "$si" "$(r "$oi" "$di")x" "$(r "$oi" "$si")x"
printf '%-7s %10s %10s %10s %12s %12s\n' read "$or" "$dr" "$sr" "$(r "$or" "$dr")x" "$(r "$or" "$sr")x"
oi2=$(get insert oru2.out)
[ -n "$oi2" ] && echo "oru insert of $((n * 2)): $oi2 s, $(r "$oi2" "$oi")x the time for $n"
