#!/bin/sh
# POS(, MID( and STR( with a mask on 1 MB inputs, against the nearest CPython
# operations (str.find / count, slicing, format) in the same run.
# Usage: bench/functions.sh [build-dir or path/to/oru]
ORU=${1:-build}
[ -d "$ORU" ] && ORU=$ORU/oru
now() { python3 -c 'import time; print(time.time())'; }
run_oru() {  # $1: name, $2: statements run after the 1 MB string is built
  prog=$(printf '10 A$="x"\n20 FOR I=1 TO 20\n30 A$=A$+A$\n40 NEXT I\n50 A$=A$+"needle"\n%s\nRUN\n' "$2")
  t0=$(now); printf '%s\n' "$prog" | "$ORU" >/dev/null; t1=$(now)
  printf '%s' "$(python3 -c "print($t1-$t0)")"
}
base=$(run_oru base '60 END')
pos=$(run_oru pos '60 FOR I=1 TO 5000
70 P=POS("needle"=A$)
80 NEXT I')
cnt=$(run_oru cnt '60 FOR I=1 TO 200
70 P=POS("x"=A$,1,0)
80 NEXT I')
mid=$(run_oru mid '60 FOR I=1 TO 1000000
70 B$=MID(A$,I,10)
80 NEXT I')
str=$(run_oru str '60 FOR I=1 TO 1000000
70 B$=STR(I*1.25:"###,##0.00")
80 NEXT I')
python3 - "$base" "$pos" "$cnt" "$mid" "$str" <<'PY'
import sys, time
base, pos, cnt, mid, st = (float(x) for x in sys.argv[1:])
a = "x" * (1 << 20) + "needle"
def t(f):
    t0 = time.time(); f(); return time.time() - t0
py = {
  "POS( = search x5000": t(lambda: [a.find("needle") for _ in range(5000)]),
  "POS( count x200":    t(lambda: [a.count("x") for _ in range(200)]),
  "MID( x1000000":      t(lambda: [a[i-1:i+9] for i in range(1, 1000001)]),
  "STR( mask x1000000": t(lambda: [format(i*1.25, "10,.2f") for i in range(1, 1000001)]),
}
oru = {"POS( = search x5000": pos-base, "POS( count x200": cnt-base,
       "MID( x1000000": mid-base, "STR( mask x1000000": st-base}
for k in py:
    print("%-20s oru %.3fs  python %.3fs  ratio %.1f" % (k, oru[k], py[k], oru[k]/max(py[k],1e-9)))
PY
