#!/bin/sh
# The IDE debug link: a Python IDE on two loopback ports starts oru with
# "-e:", resumes, suspends, reads the stack and variables, steps, resumes
# and ends it (ide_link/ide_driver.py).  Then settings that name no IDE:
# the interpreter starts without the link and runs its program.
oru="$1"; lib="$2"
command -v python3 >/dev/null 2>&1 || { echo "python3 missing: skipped"; exit 77; }
here=$(cd "$(dirname "$0")/ide_link" && pwd)
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cp "$here"/prog.txt .
printf 'MERGE "prog.txt"\nSAVE "prog"\n' | "$oru" > build.log 2>&1
[ -s prog ] || { echo "program not saved"; cat build.log; exit 1; }
timeout 90 python3 "$here/ide_driver.py" "$oru" "$tmp" || exit 1
# Stopped inside a method: the stack's levels show the method's line and the
# line of the call.
cp "$here"/mprog.txt .
printf 'MERGE "mprog.txt"\nSAVE "mprog"\n' | "$oru" > build.log 2>&1
[ -s mprog ] || { echo "method program not saved"; cat build.log; exit 1; }
timeout 90 python3 "$here/ide_method_stack.py" "$oru" "$tmp" || exit 1
# Stopped inside a called program: the caller's string passed by reference
# is answered as the callee holds it.
cp "$here"/cprog.txt "$here"/csub.txt .
printf 'MERGE "csub.txt"\nSAVE "csub"\nDELETE\nMERGE "cprog.txt"\nSAVE "cprog"\n' | "$oru" > build.log 2>&1
[ -s cprog ] && [ -s csub ] || { echo "called programs not saved"; cat build.log; exit 1; }
timeout 90 python3 "$here/ide_call_var.py" "$oru" "$tmp" || exit 1
# No IDE listening, a malformed setting: no link, the program runs.
for s in "127.0.0.1;1;2" "127.0.0.1;;"; do
  out=$(timeout 30 "$oru" -e: "$s" prog < /dev/null 2>&1)
  echo "$out" | grep -q "done" || { echo "settings $s:"; echo "$out"; exit 1; }
done
exit 0
