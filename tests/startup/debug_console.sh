#!/bin/sh
# The process debug link with a target that waits at its console (no
# program runs): every command is served between console lines, LOAD puts a
# program into it, a step starts it as RUN would, QUIT makes it leave.
oru="$1"; lib="$2"
here=$(cd "$(dirname "$0")/debug_console" && pwd)
tmp=$(mktemp -d) || exit 2
target_pid=
cleanup() {
  [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cp "$here"/*.txt .
printf 'MERGE "other.txt"\nSAVE "other"\n' | "$oru" > build.log 2>&1
printf 'MERGE "debugger.txt"\nSAVE "debugger"\n' | "$oru" >> build.log 2>&1
[ -s other ] && [ -s debugger ] || { echo "programs not saved"; cat build.log; exit 1; }
mkfifo in.fifo
"$oru" < in.fifo > target.out 2>&1 &
target_pid=$!
exec 3> in.fifo   # the target's console waits on a line that never comes
echo " $target_pid" > pid.txt
# The target's prompt shows once its console waits for a line (its output
# is written out before each read); only then is it ready to be attached.
i=0
until grep -q -- '->' target.out 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 600 ] && { echo "the target did not come to its prompt"; cat target.out; exit 1; }
  sleep 0.05
done
timeout 60 "$oru" debugger < /dev/null > got 2>&1
status=$?
i=0
while kill -0 "$target_pid" 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
kill -0 "$target_pid" 2>/dev/null && { echo "the target did not leave"; cat target.out; exit 1; }
target_pid=
exec 3>&-
sed "s|$(pwd -P)|DIR|g; s|$(pwd)|DIR|g" got > got.clean
if [ $status -ne 0 ] || ! cmp -s got.clean "$here/expected.out"; then
  echo "debugger status $status"; diff -u "$here/expected.out" got.clean; cat target.out; exit 1
fi
grep -q "20 PRINT \"other\"" target.out || { echo "target:"; cat target.out; exit 1; }
exit 0
