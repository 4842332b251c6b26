#!/bin/sh
# MSK( and SRT( on 1 MB subjects against CPython's re and sorted().
# Usage: bench/functions2.sh [build-dir]
set -e
build=${1:-build}
[ -x "$build/functions2_bench" ] || { echo "no $build/functions2_bench" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/functions2_bench" --benchmark_format=csv 2>/dev/null | grep '^"BM_' |
  awk -F, '{ gsub(/"/, "", $1); print $1, $3 }' > "$tmp/oru"
python3 "$(dirname "$0")/functions2_python.py" > "$tmp/py"
echo "case                 oru ms   python ms   python/oru"
awk 'NR == FNR { py[$1] = $2; next }
     { printf "%-18s %8.2f %10.2f %10.2fx\n", $1, $2, py[$1], py[$1] / $2 }' "$tmp/py" "$tmp/oru"
