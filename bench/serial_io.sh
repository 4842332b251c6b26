#!/bin/sh
# Serial files: 1,000,000 lines written with WRITE and read back with READ,
# against CPython writing and reading the same bytes (f.write, for line in
# f) and against `cat file >/dev/null` for the read.  Each step runs as its
# own process; the figure is the best wall time of a few runs, in seconds.
# oru writes each line when its statement ends (one write system call a
# line, so that a finished statement's line survives a kill -9); CPython
# gathers its lines in a buffer of its own, so the write figures compare
# a line-by-line writer with a buffered one.
# Usage: bench/serial_io.sh [build-dir] [lines]
set -e
build=${1:-build}
lines=${2:-1000000}
build=$(cd "$build" && pwd)
oru=$build/oru
[ -x "$oru" ] || { echo "no $oru" >&2; exit 2; }
: "${ORULIB:=$build/lib}"
export ORULIB
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
py=$(python3 -c 'import sys; print(sys.executable)')

# Beside the wall times, the CPU times (user + system, best of 7) of the
# same runs: steadier on a shared machine, where a process may wait for a
# processor for longer than it runs.
#
# Each line: a text field and a number, each followed by the field
# separator (byte 138), then the newline: what WRITE puts in a serial file.
# The read is the usual program loop: READ into a string variable until END=,
# counting the lines (for line in f with enumerate).  With valgrind on the
# path the instructions per line of both loops are given too (callgrind on
# a tenth of the lines, start-up subtracted); they hold steady on a busy
# machine, where wall times do not.  The last figure reads the number
# field too (READ (1,END=50)A$,K).
cat > write.bas <<EOF
10 OPEN LOCK (1)"oru.txt"
20 FOR I=1 TO $lines
30 WRITE (1)"customer record line number",I
40 NEXT I
50 CLOSE (1)
RUN
EOF
cat > read.bas <<EOF
10 OPEN (1)"oru.txt"
20 READ (1,END=50)A\$
30 N=N+1
40 GOTO 20
50 PRINT N
RUN
EOF
cat > write.py <<EOF
with open("py.txt", "w", encoding="latin-1") as f:
    for i in range(1, $lines + 1):
        f.write("customer record line number\x8a%d\x8a\n" % i)
EOF
cat > read.py <<EOF
n = 0
with open("py.txt", "r", encoding="latin-1") as f:
    for n, line in enumerate(f, 1):
        pass
print(n)
EOF

now() { date +%s%N; }
best() {  # best of 3 wall times of the command, in seconds
  b=
  for _ in 1 2 3; do
    t0=$(now); "$@" > /dev/null 2>&1; t1=$(now)
    t=$((t1 - t0))
    if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}
secs() { python3 -c "print('%.3f' % ($1 / 1e9))"; }
cpu() {  # best of 7 CPU times (user + system) of the command, in nanoseconds
  python3 -c '
import resource, subprocess, sys
best = None
for _ in range(7):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = t if best is None or t < best else best
print(int(best * 1e9))' "$@"
}
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }

: > oru.txt
run_oru_write() { rm -f oru.txt; : > oru.txt; "$oru" < write.bas; }
ow=$(best run_oru_write)
or=$(best sh -c "\"$oru\" < read.bas")
pw=$(best "$py" write.py)
pr=$(best "$py" read.py)
ct=$(best sh -c 'cat oru.txt > /dev/null')
cmp -s oru.txt py.txt || echo "warning: oru and python wrote different bytes"
echo "lines: $lines ($(wc -c < oru.txt) bytes)"
echo "write: oru $(secs $ow) s, python3 $(secs $pw) s  (python/oru $(ratio $pw $ow)x)"
echo "read:  oru $(secs $or) s, python3 $(secs $pr) s  (python/oru $(ratio $pr $or)x), cat $(secs $ct) s (oru/cat $(ratio $or $ct)x)"
export oru
cow=$(cpu sh -c 'rm -f oru.txt; : > oru.txt; "$oru" < write.bas')
cor=$(cpu sh -c '"$oru" < read.bas')
cpw=$(cpu "$py" write.py)
cpr=$(cpu "$py" read.py)
cct=$(cpu sh -c 'cat oru.txt > /dev/null')
echo "cpu write: oru $(secs $cow) s, python3 $(secs $cpw) s  (python/oru $(ratio $cpw $cow)x)"
echo "cpu read:  oru $(secs $cor) s, python3 $(secs $cpr) s  (python/oru $(ratio $cpr $cor)x), cat $(secs $cct) s (oru/cat $(ratio $cor $cct)x)"

if command -v valgrind >/dev/null 2>&1; then
  small=$((lines / 10))
  sed "s/TO $lines/TO $small/" write.bas > write_small.bas
  printf 'RUN\n' > empty.bas
  ir() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$oru" < "$1" 2>&1 | sed -n 's/.*Collected : //p'; }
  e=$(ir empty.bas)
  rm -f oru.txt; : > oru.txt
  w=$(ir write_small.bas)
  r=$(ir read.bas)
  sed 's/A\$$/A$,K/' read.bas > read_both.bas
  b=$(ir read_both.bas)
  echo "instructions per line: write $(( (w - e) / small )), read $(( (r - e) / small )), read both fields $(( (b - e) / small ))"
fi
