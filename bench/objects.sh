#!/bin/sh
# Objects beside CPython, 1,000,000 of each, both timing themselves
# in-process (oru with TMR(0), CPython with perf_counter), best of 3 rounds:
#   props  a property read and a property assignment (H'B=H'A+I)
#   expr   a call of an expression method with two arguments
#   prog   a call of a program method with two arguments (ENTER, RETURN)
#   prog2  the same with a statement between them (Z=X+Y; RETURN Z+A): a
#          body the call cannot answer without running its lines
#   new    NEW and DROP of an object with three properties
# The ratio is CPython's time over oru's (above 1: oru is faster).
# Usage: bench/objects.sh [build-dir]
. "$(dirname "$0")/lib.sh"
cd "$tmp"

program() {  # $1: the statement in the loop, $2: the loop's body around it
  printf '%s\n' \
    '10 DEF CLASS "P"' \
    '20 PROPERTY A,B,C$' \
    '30 FUNCTION SUM(X,Y)=X+Y+A' \
    '40 FUNCTION PSUM(X,Y)' \
    '50 ENTER X,Y' \
    '60 RETURN X+Y+A' \
    '70 FUNCTION END' \
    '72 FUNCTION PSUM2(X,Y)' \
    '74 ENTER X,Y' \
    '76 Z=X+Y; RETURN Z+A' \
    '78 FUNCTION END' \
    '80 END DEF' \
    '90 PRECISION 9; H=NEW("P"); H'"'"'A=1' \
    "$2"
}
run_oru() {  # $1: the statement timed in the loop
  program "$1" "$(printf '%s\n' \
    '100 FOR R=1 TO 3' \
    '110 T0=TMR(0)' \
    "120 FOR I=1 TO 1000000; $1; NEXT I" \
    '130 T=TMR(0)-T0; IF R=1 OR T<BEST THEN BEST=T' \
    '140 NEXT R' \
    '150 PRINT BEST' \
    'SAVE "objbench"' \
    'RUN')" | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1
  rm -f objbench
}

t_props=$(run_oru "H'B=H'A+I")
t_expr=$(run_oru "S=H'SUM(I,2)")
t_prog=$(run_oru "S=H'PSUM(I,2)")
t_prog2=$(run_oru "S=H'PSUM2(I,2)")
t_new=$(run_oru "O=NEW(\"P\"); O'A=I; O'B=2; O'C\$=\"abc\"; DROP OBJECT O")

cat > objects.py <<'PY'
import time
class P:
    def __init__(self):
        self.a = 1; self.b = 0; self.c = ""
    def sum(self, x, y):
        return x + y + self.a
    def sum2(self, x, y):
        z = x + y
        return z + self.a
def best(fn):
    b = None
    for r in range(3):
        t0 = time.perf_counter(); fn(); t = time.perf_counter() - t0
        b = t if b is None or t < b else b
    return b
h = P()
def props():
    for i in range(1, 1000001): h.b = h.a + i
def expr():
    for i in range(1, 1000001): s = h.sum(i, 2)
def expr2():
    for i in range(1, 1000001): s = h.sum2(i, 2)
def new():
    for i in range(1, 1000001):
        o = P(); o.a = i; o.b = 2; o.c = "abc"; del o
print(best(props), best(expr), best(new), best(expr2))
PY
if command -v python3 >/dev/null; then
  set -- $(python3 objects.py)
  py_props=$1 py_expr=$2 py_new=$3 py_expr2=$4
else
  py_props=- py_expr=- py_new=- py_expr2=-
fi
row() {
  awk -v n="$1" -v o="$2" -v p="$3" 'BEGIN {
    r = (p != "-" && o > 0) ? sprintf("%.2f", p / o) : "-"
    ps = (p != "-") ? sprintf("%8.3f", p) : "       -"
    printf "%-40s oru %8.3f s   python3 %s s   ratio %s\n", n, o, ps, r }'
}
row "1,000,000 property read+assign" "$t_props" "$py_props"
row "1,000,000 expression-method calls" "$t_expr" "$py_expr"
row "1,000,000 program-method calls" "$t_prog" "$py_expr"
row "1,000,000 program-method calls, 3 lines" "$t_prog2" "$py_expr2"
row "1,000,000 NEW/DROP, 3 properties" "$t_new" "$py_new"

# Instructions per loop pass (loop included) of both, with valgrind on the
# path: callgrind's counts hold steady on a busy machine, where times swing.
# oru: (20,000 passes - 10,000 passes) / 10,000; CPython the same with
# 200,000 and 100,000 passes (its start-up is longer).
if command -v valgrind >/dev/null 2>&1 && command -v python3 >/dev/null; then
  ir() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 | sed -n 's/.*Collected : //p'; }
  py=$(python3 -c 'import sys; print(sys.executable)')  # the interpreter itself, not a wrapper script
  oru_ir() {  # $1: the statement in the loop, $2: passes
    program "$1" "$(printf '%s\n' "120 FOR I=1 TO $2; $1; NEXT I" 'SAVE "objir"' 'RUN')" > ir.bas
    ir "$oru" < ir.bas
    rm -f objir
  }
  py_ir() {  # $1: the statement in the loop, $2: passes
    sed -n '1,/^h = P()$/p' objects.py > ir.py
    printf 'def f():\n    for i in range(1, %s): %s\nf()\n' "$(($2 + 1))" "$1" >> ir.py
    ir "$py" ir.py
  }
  per_pass() {  # $1: oru's statement, $2: CPython's
    o=$(( ($(oru_ir "$1" 20000) - $(oru_ir "$1" 10000)) / 10000 ))
    p=$(( ($(py_ir "$2" 200000) - $(py_ir "$2" 100000)) / 100000 ))
    printf '%-40s oru %6d   python3 %6d   ratio %s\n' "$3" "$o" "$p" "$(awk -v o="$o" -v p="$p" 'BEGIN { printf "%.2f", p / o }')"
  }
  echo "instructions per loop pass (ratio: CPython's over oru's)"
  per_pass "H'B=H'A+I" "h.b = h.a + i" "property read+assign"
  per_pass "S=H'SUM(I,2)" "s = h.sum(i, 2)" "expression-method call"
  per_pass "S=H'PSUM(I,2)" "s = h.sum(i, 2)" "program-method call"
  per_pass "S=H'PSUM2(I,2)" "s = h.sum2(i, 2)" "program-method call, 3 lines"
  per_pass "O=NEW(\"P\"); O'A=I; O'B=2; O'C\$=\"abc\"; DROP OBJECT O" \
    'o = P(); o.a = i; o.b = 2; o.c = "abc"; del o' "NEW/DROP, 3 properties"
fi
