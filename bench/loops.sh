#!/bin/sh
# Loop throughput of oru against CPython on the same loops:
#   for:    FOR I=1 TO 10000000; X=X+I; NEXT I
#   string: a string built by appending one character per pass (2,000,000;
#           fewer passes take less time than the start-up varies)
#   append: the same with the compound form, S$+="x" against s += "x"
#           (1,000,000 passes)
#   array:  summing a 1,000-element array 20,000 times (when DIM works)
# Prints each time (start-up subtracted) and the throughput ratio
# oru / CPython (above 1: oru is faster), from wall times and, on the line
# below, from CPU times (user + system: steadier on a shared machine); the
# for and array loops also run under Lua 5.4 when it is installed (lua5.4 or
# lua on the path).
# Usage: bench/loops.sh [build-dir]
. "$(dirname "$0")/lib.sh"

now() { date +%s.%N; }
best_of() {  # best of 5 runs of the command line in $1, input from $2
  best=""
  for _ in 1 2 3 4 5; do
    t0=$(now); sh -c "$1" < "$2" > /dev/null 2>&1; t1=$(now)
    best=$(echo "$t1 $t0 $best" | awk '{d=$1-$2; if ($3=="" || d<$3) print d; else print $3}')
  done
  echo "$best"
}

: > "$tmp/empty.bas"
printf 'pass\n' > "$tmp/empty.py"
t_oru0=$(best_of "$oru" "$tmp/empty.bas")
t_py0=$(best_of "python3 $tmp/empty.py" /dev/null)
c_oru0=$(cpu_best "$oru" "$tmp/empty.bas")
c_py0=$(cpu_best "python3 $tmp/empty.py" /dev/null)
lua=$(command -v lua5.4 || command -v lua || true)
if [ -n "$lua" ]; then
  : > "$tmp/empty.lua"
  t_lua0=$(best_of "$lua $tmp/empty.lua" /dev/null)
fi

run() {  # name, oru program, python program
  printf '%s\nRUN\n' "$2" > "$tmp/$1.bas"
  printf '%s\n' "$3" > "$tmp/$1.py"
  t_o=$(best_of "$oru" "$tmp/$1.bas")
  t_p=$(best_of "python3 $tmp/$1.py" /dev/null)
  echo "$1 $t_o $t_oru0 $t_p $t_py0" | awk '{ o=$2-$3; p=$4-$5; printf "%-7s oru %.3f s  python3 %.3f s  ratio %.2fx\n", $1, o, p, p/o }'
  c_o=$(cpu_best "$oru" "$tmp/$1.bas")
  c_p=$(cpu_best "python3 $tmp/$1.py" /dev/null)
  echo "$c_o $c_oru0 $c_p $c_py0" | awk '{ o=$1-$2; p=$3-$4; printf "        cpu: oru %.3f s  python3 %.3f s  ratio %.2fx\n", o, p, p/o }'
  if [ -n "$4" ]; then
    if [ -z "$lua" ]; then
      echo "        lua: not installed"
    else
      printf '%s\n' "$4" > "$tmp/$1.lua"
      t_l=$(best_of "$lua $tmp/$1.lua" /dev/null)
      echo "$1 $t_o $t_oru0 $t_l $t_lua0" | awk '{ o=$2-$3; l=$4-$5; printf "        lua %.3f s  ratio oru/lua %.2fx\n", l, l/o }'
    fi
  fi
}

run for '10 FOR I=1 TO 10000000; X=X+I; NEXT I' \
'def main():
    x = 0
    for i in range(1, 10000001):
        x = x + i
main()' \
'local x = 0
for i = 1, 10000000 do x = x + i end'

run string '10 FOR I=1 TO 2000000; A$=A$+"x"; NEXT I' \
'def main():
    a = ""
    for i in range(1, 2000001):
        a = a + "x"
main()'

run append '10 FOR I=1 TO 1000000; S$+="x"; NEXT I' \
'def main():
    s = ""
    for i in range(1, 1000001):
        s += "x"
main()'

if echo '10 DIM A[10]
RUN' | "$oru" 2>&1 | grep -q "not available"; then
  echo "array   (DIM not available in this build)"
else
  run array '10 DIM A[1000]; FOR I=0 TO 1000; A[I]=I; NEXT I
20 FOR R=1 TO 20000; FOR I=0 TO 1000; S=S+A[I]; NEXT I; NEXT R' \
'def main():
    a = list(range(0, 1001))
    s = 0
    for r in range(1, 20001):
        for i in range(0, 1001):
            s = s + a[i]
main()' \
'local a = {}
for i = 0, 1000 do a[i] = i end
local s = 0
for r = 1, 20000 do for i = 0, 1000 do s = s + a[i] end end'
fi
