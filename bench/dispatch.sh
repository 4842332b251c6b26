#!/bin/sh
# Executor and console throughput, measured through the oru executable.
#   dispatch: cost per statement of a straight-line program of K forward
#             GOTO lines then END, run R times (typing time subtracted);
#   compile:  lines per second of a 10,000-line program typed at the console
#             (start-up time subtracted).
# Usage: bench/dispatch.sh [build-dir]
. "$(dirname "$0")/lib.sh"
K=20000 R=500

now() { date +%s.%N; }
elapsed() {  # best of 3 runs of: oru < $1
  best=""
  for _ in 1 2 3; do
    t0=$(now); "$oru" < "$1" > /dev/null 2>&1; t1=$(now)
    best=$(echo "$t1 $t0 $best" | awk '{d=$1-$2; if ($3=="" || d<$3) print d; else print $3}')
  done
  echo "$best"
}

awk -v k=$K 'BEGIN { for (i = 1; i < k; i++) printf "%d GOTO %d\n", i, i + 1; printf "%d END\n", k }' > "$tmp/typed.bas"
cp "$tmp/typed.bas" "$tmp/run.bas"
i=0; while [ $i -lt $R ]; do echo RUN >> "$tmp/run.bas"; i=$((i + 1)); done
t_typed=$(elapsed "$tmp/typed.bas")
t_run=$(elapsed "$tmp/run.bas")
echo "$t_run $t_typed $K $R" | awk '{ printf "dispatch: %.1f ns per GOTO statement (%d lines x %d runs)\n", ($1-$2)*1e9/($3*$4), $3, $4 }'

awk 'BEGIN { for (i = 1; i <= 10000; i++) printf "%d A%d=%d*B+C$(%d)+LEN(\"text\") ; PRINT A%d,\"x\"\n", i, i % 50, i, i % 7 + 1, i % 50 }' > "$tmp/compile.bas"
: > "$tmp/empty.bas"
t_empty=$(elapsed "$tmp/empty.bas")
t_compile=$(elapsed "$tmp/compile.bas")
echo "$t_compile $t_empty" | awk '{ printf "compile: %.0f lines per second (10000 typed lines)\n", 10000/($1-$2) }'
