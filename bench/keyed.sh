#!/bin/sh
# Keyed files beside SQLite: 200,000 records of 100 bytes with a 10-byte
# key (random inserts, random reads by key, a full read in key order), and
# the size of each file.  Three columns: the engine called from C++
# (keyed_perf), the same phases as an oru program (keyed_program.bas: what
# a program sees, statement loop and I/O options included), the engine on
# an EFF file (the second format; the inserts one transaction, as SQLite's)
# and Python's sqlite3.  Then 4 processes x 25,000 updates of one EFF file
# beside SQLite in WAL mode doing the same from 4 processes.  The sizes
# keep the whole run well within a minute on a loaded machine (about 20 s):
# a million records, four files of some 140 MB, took two and a half minutes
# there, the program's inserts the slowest of oru's since each statement
# writes its record through (a kill -9 loses none).
# Usage: keyed.sh [build directory] [records] [updates per process]
build=${1:-build}
n=${2:-200000}
u=${3:-25000}
here=$(dirname "$0")
dir=$(mktemp -d /tmp/oru_keyed_bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
[ -x "$build/keyed_perf" ] || { echo "keyed_perf not built"; exit 1; }
"$build/keyed_perf" "$n" "$dir/keyed" > "$dir/oru.txt" || exit 1
"$build/keyed_perf" "$n" "$dir/eff" eff > "$dir/eff.txt" || exit 1
sed -e "s/NRECS/$n/" -e "s|FPATH|\"$dir/program.key\"|" "$here/keyed_program.bas" > "$dir/program.bas"
ORULIB="${ORULIB:-$build/lib}" "$build/oru" < "$dir/program.bas" > "$dir/program.out" 2>&1
sed -n 's/^\(insert\|read\|scan\) *\([0-9.]*\)$/\1 \2/p' "$dir/program.out" > "$dir/program.txt"
[ -s "$dir/program.txt" ] || { echo "keyed_program.bas failed:"; tail -5 "$dir/program.out"; }
[ -f "$dir/program.key" ] && echo "size $(wc -c < "$dir/program.key")" >> "$dir/program.txt"
if command -v python3 >/dev/null; then
  python3 "$here/keyed_sqlite.py" "$n" "$dir/sqlite.db" > "$dir/sqlite.txt" || exit 1
else
  : > "$dir/sqlite.txt"
fi
printf '%-8s %12s %12s %12s %12s\n' phase engine program eff sqlite3
for phase in insert read scan size; do
  a=$(sed -n "s/^$phase //p" "$dir/oru.txt")
  p=$(sed -n "s/^$phase //p" "$dir/program.txt")
  e=$(sed -n "s/^$phase //p" "$dir/eff.txt")
  b=$(sed -n "s/^$phase //p" "$dir/sqlite.txt")
  printf '%-8s %12s %12s %12s %12s\n' "$phase" "$a" "${p:--}" "${e:--}" "${b:--}"
done
# Concurrent updates: 4 processes on 10,000 records.
e=$("$build/keyed_perf" 10000 "$dir/shared" update 4 "$u" | sed -n 's/^updates //p')
b=-
command -v python3 >/dev/null && b=$(python3 "$here/keyed_concurrent_sqlite.py" 10000 4 "$u" "$dir/shared.db" | sed -n 's/^updates //p')
printf '%-8s %12s %12s %12s %12s   (4 x %s updates, seconds; sqlite3 in WAL mode)\n' updates - - "$e" "$b" "$u"
