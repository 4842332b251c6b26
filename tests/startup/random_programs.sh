#!/bin/sh
# Random programs (statements mixed without regard to sense) must end in an
# error message or run on in a loop of their own, never crash the process;
# under the sanitizer build any fault report fails the test.
oru=$1
lib=$2
here=$(dirname "$0")
command -v python3 > /dev/null 2>&1 || { echo "python3 is not installed: skipped"; exit 0; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad=0
for seed in $(seq 1 40); do
  python3 "$here/random_program.py" "$seed" > "$tmp/p.bas"
  ORULIB=$lib timeout 3 "$oru" < "$tmp/p.bas" > "$tmp/out" 2>&1
  rc=$?
  # 124: the program loops (a BASIC-level endless loop is allowed)
  if [ $rc -ne 0 ] && [ $rc -ne 124 ]; then
    echo "seed $seed: exit status $rc"; tail -5 "$tmp/out"; bad=1
  fi
  if grep -q "AddressSanitizer\|runtime error\|LeakSanitizer" "$tmp/out"; then
    echo "seed $seed: sanitizer report"; grep -m3 "AddressSanitizer\|runtime error\|LeakSanitizer" "$tmp/out"; bad=1
  fi
done
exit $bad
