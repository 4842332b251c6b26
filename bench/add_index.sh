#!/bin/sh
# ADD INDEX over 1,000,000 records beside SQLite's CREATE INDEX on the same
# rows: a key (8 bytes of each record) added to a keyed file of the first
# format and to an EFF file and built from the records (the engine called
# from C++), then the same ADD INDEX statement typed at an oru console, and
# Python's sqlite3 (CREATE INDEX on the same values).  Seconds.
# Usage: add_index.sh [build directory] [records]
build=${1:-build}
n=${2:-1000000}
here=$(dirname "$0")
dir=$(mktemp -d /tmp/oru_index_bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
[ -x "$build/index_perf" ] || { echo "index_perf not built"; exit 1; }
k=$("$build/index_perf" "$n" "$dir/first" | sed -n 's/^add_index //p')
e=$("$build/index_perf" "$n" "$dir/eff" eff | sed -n 's/^add_index //p')
# The statement: on a copy of the file the engine made (its key just added
# is dropped first, so the console adds and builds it again).
p=-
if [ -f "$dir/first" ]; then
  printf 'DROP INDEX 1 ON "%s"\n' "$dir/first" | ORULIB="${ORULIB:-$build/lib}" "$build/oru" > /dev/null 2>&1
  t0=$(date +%s.%N)
  printf 'ADD INDEX [0:11:8] ON "%s"\n' "$dir/first" | ORULIB="${ORULIB:-$build/lib}" "$build/oru" > "$dir/stmt.out" 2>&1
  t1=$(date +%s.%N)
  grep -q "Done - loaded key number 1 with $n keys" "$dir/stmt.out" && p=$(echo "$t1 - $t0" | bc)
fi
s=-
command -v python3 >/dev/null && s=$(python3 "$here/index_sqlite.py" "$n" "$dir/sqlite.db" | sed -n 's/^add_index //p')
printf '%-10s %10s %10s %10s %10s\n' phase engine eff statement sqlite3
printf '%-10s %10s %10s %10s %10s   (%s records, seconds)\n' add_index "$k" "$e" "$p" "$s" "$n"
