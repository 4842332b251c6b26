#!/bin/sh
# Runs every benchmark against a build directory (default: build).
build=${1:-build}
export ORULIB="${ORULIB:-$build/lib}"
here=$(dirname "$0")
for b in "$build"/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2 2>/dev/null | sed -n '/^BM_/p'
done
if [ -x "$build/decimal_bench" ] && command -v python3 >/dev/null; then
  echo "== python3 decimal (same operations)"
  python3 "$here/decimal_vs_python.py"
fi
for s in "$here"/*.sh; do
  case $s in */run.sh | */lib.sh) continue ;; esac
  echo "== $(basename "$s")"
  sh "$s" "$build"
done
