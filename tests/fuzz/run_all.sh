#!/usr/bin/env bash
# Runs the libFuzzer targets built in build-fuzz, FUZZ_JOBS of them at once,
# each for FUZZ_TIME seconds, and prints one line per target at the end:
# the runs it made, and "clean" or the fault and the input that shows it.
# Exit status 1 when any target found a fault (or did not run).
#
#   FUZZ_TIME     seconds per target (600)
#   FUZZ_JOBS     targets running at once (4)
#   FUZZ_TIMEOUT  seconds one input may take before it counts as a hang (60)
#   FUZZ_TARGETS  the targets to run, blank-separated (every target)
#   FUZZ_DIR      the fuzz build (build-fuzz)
#
# Each target reads its own corpus folder under FUZZ_DIR (new inputs go there),
# the seeds in tests/fuzz/corpus* and the inputs that once failed in
# tests/fuzz/regressions*; its log is FUZZ_DIR/<target>.log and a failing input
# is left as FUZZ_DIR/<target>-crash-... (or -timeout-, -leak-, -oom-).
# Only paths go on the fuzzers' command lines (absolute: the class-definition
# fuzzer works in a directory of its own); no input reaches a shell.
set -u

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root" || exit 1
dir=${FUZZ_DIR:-build-fuzz}
case $dir in /*) ;; *) dir=$root/$dir ;; esac
time=${FUZZ_TIME:-600}
jobs=${FUZZ_JOBS:-4}
hang=${FUZZ_TIMEOUT:-60}
export ORULIB="$dir/lib"

# target | largest input (0: libFuzzer's default) | build corpus | seeds | regressions
table="
compile  0     corpus          corpus          regressions
mask     0     corpus_mask     corpus_mask     regressions_mask
keyed    65536 corpus_keyed    corpus_keyed    regressions_keyed
loader   65536 corpus_loader   corpus_loader   regressions_loader
eff      65536 corpus_eff      corpus_eff      regressions_eff
dict     65536 corpus_dict     corpus_dict     regressions_dict
library  0     corpus_library  corpus_library  regressions_library
vardata  0     corpus_vardata  corpus_vardata  regressions_vardata
classdef 0     corpus_classdef corpus_classdef regressions_classdef
cisam    65536 corpus_cisam    corpus_cisam    regressions_cisam
bbx      65536 corpus_bbx      corpus_bbx      regressions_bbx
debug    0     corpus_debug    corpus_debug    regressions_debug
journal  65536 corpus_journal  corpus_journal  regressions_journal
tcp      8192  corpus_tcp      corpus_tcp      regressions_tcp
tcframe  70000 corpus_tc       corpus_tc       regressions_tc
pdf      65536 corpus_pdf      corpus_pdf      regressions_pdf
ttf      65536 corpus_ttf      corpus_ttf      regressions_ttf
hzef     262144 corpus_hzef    corpus_hzef     regressions_hzef
"

case "$time$jobs$hang" in
  *[!0-9]*) echo "run_all: FUZZ_TIME, FUZZ_JOBS and FUZZ_TIMEOUT are whole numbers" >&2; exit 2 ;;
esac
[ "$jobs" -ge 1 ] || jobs=1

wanted=${FUZZ_TARGETS:-$(echo "$table" | awk 'NF { print $1 }')}
for t in $wanted; do
  if ! echo "$table" | awk -v t="$t" '$1 == t { f = 1 } END { exit !f }'; then
    echo "run_all: no fuzz target \"$t\"" >&2
    exit 2
  fi
done

# Starts one target in the background; its exit status goes to <target>.rc.
start() {
  local t=$1 len=$2 corpus=$3 seeds=$4 regr=$5
  local args=(-max_total_time="$time" -timeout="$hang" -print_final_stats=1
              -artifact_prefix="$dir/$t-")
  [ "$len" -gt 0 ] && args+=(-max_len="$len")
  mkdir -p "$dir/$corpus"
  args+=("$dir/$corpus")
  [ -d "$root/tests/fuzz/$seeds" ] && args+=("$root/tests/fuzz/$seeds")
  [ -d "$root/tests/fuzz/$regr" ] && args+=("$root/tests/fuzz/$regr")
  rm -f "$dir/$t.rc"
  echo "$(date -u +%T) start $t"
  ( "$dir/fuzz_$t" "${args[@]}" >"$dir/$t.log" 2>&1
    echo $? >"$dir/$t.rc" ) &
}

began=$(date +%s)
running=0
for t in $wanted; do
  if [ ! -x "$dir/fuzz_$t" ]; then
    echo "run_all: $dir/fuzz_$t is not built" >&2
    echo 127 >"$dir/$t.rc"
    : >"$dir/$t.log"
    continue
  fi
  while [ "$running" -ge "$jobs" ]; do
    wait -n
    running=$((running - 1))
  done
  # shellcheck disable=SC2046
  start $(echo "$table" | awk -v t="$t" '$1 == t')
  running=$((running + 1))
done
wait

# One line per target: runs, then clean or what failed and its input.
status=0
printf '\n%-9s %12s  %s\n' target runs result
for t in $wanted; do
  log="$dir/$t.log"
  rc=$(cat "$dir/$t.rc" 2>/dev/null || echo 127)
  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" 2>/dev/null | tail -n 1)
  secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" 2>/dev/null | tail -n 1)
  if [ "$rc" = 0 ]; then
    result="clean (${secs:-?} s)"
  else
    status=1
    what=$(grep -m 1 -E '^SUMMARY: |^==[0-9]+== ERROR: ' "$log" 2>/dev/null)
    input=$(sed -n 's/.*Test unit written to \([^ ]*\).*/\1/p' "$log" 2>/dev/null | tail -n 1)
    result="FAULT (exit $rc) ${what:-see $log}${input:+; input $input}"
  fi
  printf '%-9s %12s  %s\n' "$t" "${runs:-?}" "$result"
done
echo "$(( ($(date +%s) - began) / 60 )) minutes, ${time} s a target, $jobs at once"
exit "$status"
