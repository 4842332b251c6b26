#!/bin/sh
# PRINT to a serial file: 1,000,000 lines of a text, a position and a number,
# against WRITE of the same values and against CPython's print(..., file=f);
# then 1,000,000 formatted lines (two strings and a number under a mask)
# against CPython writing the same lines with an f-string.
# Each step runs as its own process; the figure is the best wall time of
# three runs, in seconds.
# oru writes each line when its statement ends (one write system call a
# line, so that a finished statement's line survives a kill -9); CPython
# gathers its lines in a buffer of its own, so the write figures compare
# a line-by-line writer with a buffered one.
# Usage: bench/print_file.sh [build-dir] [lines]
. "$(dirname "$0")/lib.sh"
lines=${2:-1000000}
cd "$tmp"

prog() {  # prog statement: a program that runs it for every line
  cat <<EOF2
10 SERIAL "oru.txt"
20 OPEN LOCK (1)"oru.txt"
30 FOR I=1 TO $lines
40 $1
50 NEXT I
60 CLOSE (1)
RUN
EOF2
}
prog 'PRINT (1)"customer record line number",@(30),I' > print.bas
prog 'WRITE (1)"customer record line number",I' > write.bas
prog 'PRINT (1)"ACME Corp ","Invoice ",I*1.25:"###,###,##0.00"' > format.bas
cat > format.py <<EOF2
with open("py.txt", "w") as f:
    for i in range(1, $lines + 1):
        f.write(f"ACME Corp Invoice {i * 1.25:14,.2f}\n")
EOF2
cat > print.py <<EOF2
with open("py.txt", "w") as f:
    for i in range(1, $lines + 1):
        print("customer record line number", i, file=f)
EOF2

best() {  # best of three wall times of a command
  b=
  for k in 1 2 3; do
    rm -f oru.txt py.txt
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%.3f' "$b"
}
echo "PRINT (1) to a serial file: $(best sh -c "\"$oru\" < print.bas") s"
echo "WRITE (1) to a serial file: $(best sh -c "\"$oru\" < write.bas") s"
if command -v python3 >/dev/null; then
  echo "python3 print(..., file=f): $(best python3 print.py) s"
fi
echo "PRINT (1) of formatted lines (mask): $(best sh -c "\"$oru\" < format.bas") s"
if command -v python3 >/dev/null; then
  echo "python3 f-string lines: $(best python3 format.py) s"
fi
