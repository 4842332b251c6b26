#!/bin/sh
# Keyed files beside SQLite: 1,000,000 records of 100 bytes with a 10-byte
# key (random inserts, random reads by key, a full read in key order), and
# the size of each file.  Usage: keyed.sh [build directory] [records]
build=${1:-build}
n=${2:-1000000}
here=$(dirname "$0")
dir=$(mktemp -d /tmp/oru_keyed_bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
[ -x "$build/keyed_perf" ] || { echo "keyed_perf not built"; exit 1; }
"$build/keyed_perf" "$n" "$dir/keyed" > "$dir/oru.txt" || exit 1
if command -v python3 >/dev/null; then
  python3 "$here/keyed_sqlite.py" "$n" "$dir/sqlite.db" > "$dir/sqlite.txt" || exit 1
else
  : > "$dir/sqlite.txt"
fi
printf '%-8s %12s %12s\n' phase oru sqlite3
for phase in insert read scan size; do
  a=$(sed -n "s/^$phase //p" "$dir/oru.txt")
  b=$(sed -n "s/^$phase //p" "$dir/sqlite.txt")
  printf '%-8s %12s %12s\n' "$phase" "$a" "${b:--}"
done
