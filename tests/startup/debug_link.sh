#!/bin/sh
# Two oru processes: the debugger attaches to the target through TSK("/..."),
# sets a breakpoint, steps, evaluates and executes inside it, detaches, and
# the target then finishes by itself.  Then the FIFOs of the link: a FIFO
# another user planted under the target's name, or one that others may
# open, is refused and the attach fails cleanly.
oru="$1"; lib="$2"; [ -n "$DL_TRACE" ] && set -x
here=$(cd "$(dirname "$0")/debug_link" && pwd)
tmp=$(mktemp -d) || exit 2
target_pid=
cleanup() {
  [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null
  [ -n "$target_pid" ] && rm -f "/tmp/qeb.in.$target_pid" "/tmp/qeb.ot.$target_pid"
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cp "$here"/*.txt .
printf 'MERGE "target.txt"\nSAVE "target"\n' | "$oru" > build.log 2>&1
printf 'MERGE "debugger.txt"\nSAVE "debugger"\n' | "$oru" >> build.log 2>&1
[ -s target ] && [ -s debugger ] || { echo "programs not saved"; cat build.log; exit 1; }

"$oru" target < /dev/null > target.out 2>&1 &
target_pid=$!
timeout 120 "$oru" debugger < /dev/null > got 2>&1
status=$?
wait "$target_pid"
target_pid=
sed "s|$(pwd -P)|DIR|g; s|$(pwd)|DIR|g" got > got.clean
if [ $status -ne 0 ] || ! cmp -s got.clean "$here/expected.out"; then
  echo "debugger status $status"; diff -u "$here/expected.out" got.clean; cat target.out; exit 1
fi
grep -q 'finished, attached: 1, debugged:yes' target.out || { echo "target:"; cat target.out; exit 1; }
ls /tmp/qeb.*."$$" 2>/dev/null && { echo "FIFOs left behind"; exit 1; }

# Planted FIFOs.  One of another user under the target's name is refused
# (and left alone): the attach fails with error 15 and the target runs on.
# A stale one of the same user that others may open is replaced by a
# private one, and the attach succeeds.
printf '10 ERASE "pid.txt",ERR=*NEXT; SERIAL "pid.txt"; OPEN LOCK (1)"pid.txt"; PRINT (1)TCB(506); CLOSE (1)\n20 WAIT .05; IF N<400 THEN N=N+1; GOTO 20\n30 PRINT "released:",N=1000\nRUN\n' > loop.bas
printf '10 WAIT .1; OPEN (1,ERR=10)"pid.txt"; READ (1,ERR=10)P; CLOSE (1)\n20 X$=TSK(/OPEN (P),ERR=*NEXT); PRINT "attach:",ERR\n30 IF ERR=0 THEN X=SCLL("stat -c %%a /tmp/qeb.ot."+STR(P)+" > mode.txt"); X$=TSK(/EXECUTE:"N=1000")\nRUN\n' > attach.bas
rm -f pid.txt
"$oru" < loop.bas > loop.out 2>&1 &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  mkfifo -m 600 "/tmp/qeb.ot.$target_pid" && chown nobody "/tmp/qeb.ot.$target_pid" || exit 1
  "$oru" < attach.bas > attach1.out 2>&1
  grep -q 'attach: 15' attach1.out || { echo "attach through another user's FIFO:"; cat attach1.out; exit 1; }
  [ -p "/tmp/qeb.ot.$target_pid" ] || { echo "another user's FIFO was removed"; exit 1; }
  rm -f "/tmp/qeb.ot.$target_pid"
fi
mkfifo -m 666 "/tmp/qeb.ot.$target_pid" || exit 1
chmod 666 "/tmp/qeb.ot.$target_pid"
"$oru" < attach.bas > attach2.out 2>&1
grep -q 'attach: 0' attach2.out || { echo "attach after a stale FIFO:"; cat attach2.out; exit 1; }
wait "$target_pid"
target_pid=
grep -q '^600$' mode.txt || { echo "the link's FIFO is not private:"; cat mode.txt; exit 1; }
grep -q 'released: 1' loop.out || { echo "target:"; cat loop.out; exit 1; }
exit 0
