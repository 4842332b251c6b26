#!/bin/sh
# Start-up and shut-down cost: wall time of oru running a one-statement
# session (echo 'PRINT 1' | oru) against `python3 -c pass`, N runs of each,
# printing the median of each in milliseconds.  Uses hyperfine when it is
# installed, else a timing loop of its own.
# Usage: bench/startup.sh [build-dir] [runs]
. "$(dirname "$0")/lib.sh"
runs=${2:-200}
echo 'PRINT 1' > "$tmp/one.bas"
# The interpreter itself, not a version-manager wrapper script in front of it.
py=$(python3 -c 'import sys; print(sys.executable)')
cd "$tmp"

if command -v hyperfine > /dev/null 2>&1; then
  hyperfine -N --warmup 10 --runs "$runs" --input one.bas --export-json oru.json "$oru" > /dev/null
  hyperfine -N --warmup 3 --runs "$runs" --export-json py.json "$py -c pass" > /dev/null
  med() { python3 -c 'import json,sys; print("%.2f" % (json.load(open(sys.argv[1]))["results"][0]["median"] * 1000))' "$1"; }
  echo "oru 'PRINT 1':     median $(med oru.json) ms ($runs runs, hyperfine)"
  echo "python3 -c pass:   median $(med py.json) ms ($runs runs, hyperfine)"
  exit 0
fi

# One process per run, timed with a monotonic clock in nanoseconds; the
# timing loop itself is measured the same way for both commands.
timed() {  # $1: label file, rest: command
  out=$1; shift
  : > "$out"
  i=0
  while [ $i -lt "$runs" ]; do
    t0=$(date +%s%N)
    "$@" < one.bas > /dev/null 2>&1
    t1=$(date +%s%N)
    echo $((t1 - t0)) >> "$out"
    i=$((i + 1))
  done
}
median() { sort -n "$1" | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.2f", m / 1e6 }'; }

"$oru" < one.bas > /dev/null 2>&1  # warm the page cache
timed oru.t "$oru"
timed py.t "$py" -c pass
echo "oru 'PRINT 1':     median $(median oru.t) ms ($runs runs)"
echo "python3 -c pass:   median $(median py.t) ms ($runs runs)"
