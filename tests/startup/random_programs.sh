#!/bin/sh
# Random programs (statements mixed without regard to sense) must end in an
# error message or run on in a loop of their own, never crash the process;
# under the sanitizer build any fault report fails the test.
#
# A program still running after half a second is sent escapes (SIGTSTP): a
# BASIC-level loop answers each by stopping at the console, which reads on
# to the end of its input and ends.  A process that answers none of them
# within thirty seconds hangs inside the interpreter and fails the test.
# The escapes wait until the process catches SIGTSTP: one that came before
# (a sanitizer build starting on a loaded machine takes that long) would stop
# it, as job control does, and it would look hung.
oru=$1
lib=$2
here=$(dirname "$0")
command -v python3 > /dev/null 2>&1 || { echo "python3 is not installed: skipped"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad=0
alive() { kill -0 "$1" 2>/dev/null; }
# catches_tstp PID: SIGTSTP (20) is in the process's caught-signal mask; true
# where /proc does not tell.
catches_tstp() {
  [ -r /proc/self/status ] || return 0
  while read -r key mask; do
    [ "$key" = SigCgt: ] && [ $(( 0x$mask >> 19 & 1 )) -eq 1 ] && return 0
  done 2> /dev/null < "/proc/$1/status"
  return 1
}
for seed in $(seq 1 40); do
  python3 "$here/random_program.py" "$seed" > "$tmp/p.bas"
  ORULIB=$lib "$oru" < "$tmp/p.bas" > "$tmp/out" 2>&1 &
  pid=$!
  n=0
  while ! catches_tstp $pid && alive $pid && [ $n -lt 300 ]; do sleep 0.1; n=$((n + 1)); done
  if ! catches_tstp $pid && alive $pid; then
    kill -KILL $pid 2>/dev/null
    echo "seed $seed: no SIGTSTP handler after thirty seconds"; tail -5 "$tmp/out"; bad=1
  fi
  n=0
  while alive $pid && [ $n -lt 5 ]; do sleep 0.1; n=$((n + 1)); done
  n=0
  while alive $pid && [ $n -lt 300 ]; do kill -TSTP $pid 2>/dev/null; sleep 0.1; n=$((n + 1)); done
  if alive $pid; then
    kill -KILL $pid 2>/dev/null
    echo "seed $seed: hangs (answers no escape)"; tail -5 "$tmp/out"; bad=1
  fi
  wait $pid
  rc=$?
  if [ $rc -ne 0 ] && [ $rc -ne 137 ]; then
    echo "seed $seed: exit status $rc"; tail -5 "$tmp/out"; bad=1
  fi
  if grep -q "AddressSanitizer\|runtime error\|LeakSanitizer" "$tmp/out"; then
    echo "seed $seed: sanitizer report"; grep -m3 "AddressSanitizer\|runtime error\|LeakSanitizer" "$tmp/out"; bad=1
  fi
done
exit $bad
