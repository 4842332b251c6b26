#!/bin/sh
# Every keyword of the lexicon with a set of operand shapes: a form that
# compiles runs or stops with its own error, never 49, and a statement never
# 20 from a form its grammar took (keyword_sweep.py).
oru="$1"; lib="$2"
here=$(cd "$(dirname "$0")" && pwd)
command -v python3 >/dev/null 2>&1 || { echo "python3 missing: skipped"; exit 77; }
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
export ORULIB="$lib"
unset ORUINI
# A hang ends the sweep within the test's limit (ORU_TIME_FACTOR: the
# sanitizer build's limits are several times the plain build's).
timeout $((110 * ${ORU_TIME_FACTOR:-1})) python3 "$here/keyword_sweep.py" "$oru" "$here/../../lib/keywords.txt" "$tmp"
