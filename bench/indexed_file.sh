#!/bin/sh
# Indexed files beside CPython: N fixed-length records of 64 bytes written
# with WRITE (1,IND=) in record order, then read back with READ (1,IND=) in
# a scattered order (record I*7919 mod N); against CPython doing the same
# with seek/write and seek/read on a binary file.  Seconds per phase, each
# side timed inside its own process.
# Usage: bench/indexed_file.sh [build-dir] [records]
. "$(dirname "$0")/lib.sh"
n=${2:-1000000}
cd "$tmp"
cat > ind.bas <<EOF
10 LET N=$n
20 INDEXED "oru.ind",0,64
30 OPEN LOCK (1)"oru.ind"
40 LET T\$="abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
50 LET T0=TMR(0)
60 FOR I=0 TO N-1
70 WRITE (1,IND=I)STR(I:"0000000")+T\$
80 NEXT I
90 PRINT "write ",STR(TMR(0)-T0:"##0.000")
100 LET T0=TMR(0),C=0
110 FOR I=0 TO N-1
120 LET J=MOD(I*7919,N); READ (1,IND=J)D\$
130 LET C=C+LEN(D\$)
140 NEXT I
150 PRINT "read ",STR(TMR(0)-T0:"##0.000")
160 PRINT "count ",C
170 CLOSE (1)
180 END
RUN
EOF
cat > ind.py <<EOF
import time
n = $n
reclen = 64
t_ = b"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
t = time.perf_counter()
with open("py.ind", "wb") as f:
    for i in range(n):
        f.seek(i * reclen)
        f.write((b"%07d" % i + t_ + b"\x8a").ljust(reclen, b"\0"))
print("write %.3f" % (time.perf_counter() - t))
t = time.perf_counter(); c = 0
with open("py.ind", "rb") as f:
    for i in range(n):
        f.seek(i * 7919 % n * reclen)
        r = f.read(reclen)
        c += r.index(b"\x8a")
print("read %.3f" % (time.perf_counter() - t))
print("count %d" % c)
EOF
"$oru" < ind.bas > oru.out 2>&1
python3 ind.py > py.out
get() { sed -n "s/^$1 *\([0-9.]*\).*/\1/p" "$2" | tail -1; }
ow=$(get write oru.out); or=$(get read oru.out)
[ -n "$ow" ] && [ -n "$or" ] || { echo "oru failed:"; tail -5 oru.out; exit 1; }
pw=$(get write py.out); pr=$(get read py.out)
[ "$(get count oru.out)" = "$(get count py.out)" ] || echo "warning: oru read $(get count oru.out) bytes, python $(get count py.out)"
r() { python3 -c "print('%.2f' % ($1 / max($2, 1e-9)))"; }
echo "records: $n of 64 bytes ($(wc -c < oru.ind) bytes in oru's file)"
printf '%-6s %10s %10s %10s\n' phase oru python3 oru/python
printf '%-6s %10s %10s %10s\n' write "$ow" "$pw" "$(r "$ow" "$pw")x"
printf '%-6s %10s %10s %10s\n' read "$or" "$pr" "$(r "$or" "$pr")x"
