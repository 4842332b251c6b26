#!/bin/sh
# SIGHUP to a console waiting for input ends the process in order, with
# status 0; its output after the signal is swallowed.
. "$(dirname "$0")/lib.sh"
mkfifo in || exit 2
"$oru" < in > got 2>&1 &
pid=$!
exec 7> in
printf 'PRINT "before"\n' >&7
i=0
until grep -q before got 2>/dev/null; do  # wait until the line has run
  i=$((i + 1)); [ $i -gt 600 ] && { echo "no output"; kill $pid; exit 1; }
  sleep 0.05
done
# The signal goes once the console sleeps in its read of the next line.
i=0
until [ "$(sed 's/.*) //' /proc/$pid/stat 2>/dev/null | cut -d' ' -f1)" = S ] || [ ! -r /proc/self/stat ]; do
  i=$((i + 1)); [ $i -gt 600 ] && { echo "the console did not wait for input"; kill $pid; exit 1; }
  sleep 0.05
done
kill -HUP $pid
i=0
while kill -0 $pid 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 600 ] && { echo "still running after SIGHUP"; kill -9 $pid; exit 1; }
  sleep 0.05
done
wait $pid; status=$?
# Output after the signal is swallowed: the prompt's line is not ended.
printf -- '->PRINT "before"\nbefore\n->' > want
if [ $status -ne 0 ] || ! cmp -s want got; then echo "status $status"; diff -u want got; exit 1; fi
