#!/bin/sh
# 1,000,000 subprogram calls with three arguments (a number, a string and a
# number by reference) whose program ENTERs them and EXITs, beside CPython
# calling a function of another module with three arguments as often.  Both
# time themselves in-process (oru with TMR(0), whose millisecond steps are
# why a round is five million calls, its time shown per million;
# CPython with perf_counter, the same), best of 5 rounds; the ratio is CPython's time
# over oru's (above 1: oru is faster).  Two ways to keep the called program
# loaded: resident (ADDR) and kept by the program cache (PC 3), which
# checks the file on disk at every call; and plain calls, with the program
# cache off (PC 0, the default).  With valgrind on the path the
# instructions per call are given too (callgrind on 10,000 calls, the same
# loop without the CALL subtracted): they hold steady on a busy machine,
# where in-process times do not.
# A second build directory (a base to compare with) is measured in the same
# run, just before the first, its lines marked "base:".
# Usage: bench/calls.sh [build-dir [base-build-dir]]
set -e
build=${1:-build}
if [ -n "$2" ]; then
  # The base first, then the build, one after the other in this run.
  env -u ORULIB sh "$0" "$2" | sed 's/^/base:  /'
  env -u ORULIB sh "$0" "$build" | sed 's/^/build: /'
  exit 0
fi
oru=$(cd "$(dirname "$build/oru")" && pwd)/oru
[ -x "$oru" ] || { echo "no $build/oru" >&2; exit 2; }
: "${ORULIB:=$(cd "$build/lib" && pwd)}"
export ORULIB
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

printf '10 ENTER A,B$,C\n20 EXIT\nSAVE "callee"\n' | "$oru" > /dev/null
session() {  # the line that keeps the program loaded
  printf '%s\n' "10 PRECISION 9; $1" \
    '20 FOR R=1 TO 5' \
    '30 T0=TMR(0)' \
    '40 FOR I=1 TO 5000000; CALL "callee",I,S$,X; NEXT I' \
    '50 T=TMR(0)-T0; IF R=1 OR T<B THEN B=T' \
    '60 NEXT R' \
    '70 PRINT B/5' \
    'RUN'
}
t_addr=$(session 'ADDR "callee"' | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1)
t_pc=$(session "SET_PARAM 'PC'=3" | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1)
t_plain=$(session "REM plain" | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1)

cat > callee.py <<'PY'
def sub(a, b, c):
    pass
PY
cat > main.py <<'PY'
import time
import callee
def main():
    s = ""; x = 0; best = None
    for r in range(5):
        t0 = time.perf_counter()
        for i in range(1, 5000001):
            callee.sub(i, s, x)
        t = time.perf_counter() - t0
        best = t if best is None or t < best else best
    print(best / 5)
main()
PY
t_py=$(python3 main.py)
echo "$t_addr $t_pc $t_py $t_plain" | awk '{
  printf "1,000,000 CALLs, resident (ADDR):   oru %.4f s  python3 %.4f s  ratio %.2fx\n", $1, $3, $3/$1;
  printf "1,000,000 CALLs, program cache (PC): oru %.4f s  python3 %.4f s  ratio %.2fx\n", $2, $3, $3/$2;
  printf "1,000,000 CALLs, plain (PC 0):       oru %.4f s  python3 %.4f s  ratio %.2fx  plain/ADDR %.2fx\n", $4, $3, $3/$4, $4/$1 }'

if command -v valgrind >/dev/null 2>&1; then
  ir() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$oru" < "$1" 2>&1 | sed -n 's/.*Collected : //p'; }
  per_call() {  # the line that keeps the program loaded
    printf '%s\n' "10 PRECISION 9; $1" '20 FOR I=1 TO 10000; CALL "callee",I,S$,X; NEXT I' 'RUN' > with.bas
    printf '%s\n' "10 PRECISION 9; $1" '20 FOR I=1 TO 10000; NEXT I' 'RUN' > without.bas
    echo $(( ($(ir with.bas) - $(ir without.bas)) / 10000 ))
  }
  echo "instructions per call: ADDR $(per_call 'ADDR "callee"'), PC 3 $(per_call "SET_PARAM 'PC'=3"), plain $(per_call 'REM plain')"
  # Per loop pass, the loop included, beside CPython's (its 200,000 passes
  # less its 100,000, over 100,000: its start-up is longer).
  pass_ir() {
    printf '%s\n' '10 PRECISION 9; ADDR "callee"' "20 FOR I=1 TO $1; CALL \"callee\",I,S\$,X; NEXT I" 'RUN' > pass.bas
    ir pass.bas
  }
  py=$(python3 -c 'import sys; print(sys.executable)')  # the interpreter itself, not a wrapper script
  py_ir() {
    sed "s/range(5)/range(1)/; s/5000001/$(($1 + 1))/; /print(best/d" main.py > pass.py
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$py" pass.py 2>&1 | sed -n 's/.*Collected : //p'
  }
  o=$(( ($(pass_ir 20000) - $(pass_ir 10000)) / 10000 ))
  p=$(( ($(py_ir 200000) - $(py_ir 100000)) / 100000 ))
  echo "instructions per loop pass, ADDR: oru $o, python3 $p (ratio $(awk -v o="$o" -v p="$p" 'BEGIN { printf "%.2f", p / o }')x)"
fi
