#!/bin/sh
# Two oru processes: the debugger attaches to the target through TSK("/..."),
# sets a breakpoint, steps, evaluates and executes inside it, detaches, and
# the target then finishes by itself.  Then the FIFOs of the link, which
# lie in the user's own directory (mode 700): FIFOs another user planted
# under the target's names in /tmp keep nobody from attaching, and a stale
# one that others may open is replaced by a private one.
oru="$1"; lib="$2"; [ -n "$DL_TRACE" ] && set -x
here=$(cd "$(dirname "$0")/debug_link" && pwd)
tmp=$(mktemp -d) || exit 2
target_pid=
links="/tmp/oru-$(id -u)"
cleanup() {
  [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null
  [ -n "$target_pid" ] && rm -f "/tmp/qeb.in.$target_pid" "/tmp/qeb.ot.$target_pid" \
    "$links/qeb.in.$target_pid" "$links/qeb.ot.$target_pid"
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
first_pid=$target_pid
target_pid=
sed "s|$(pwd -P)|DIR|g; s|$(pwd)|DIR|g" got > got.clean
if [ $status -ne 0 ] || ! cmp -s got.clean "$here/expected.out"; then
  echo "debugger status $status"; diff -u "$here/expected.out" got.clean; cat target.out; exit 1
fi
grep -q 'finished, attached: 1, debugged:yes' target.out || { echo "target:"; cat target.out; exit 1; }
# Only this target's FIFOs: other links of the same user may be open now.
ls "$links"/qeb.*."$first_pid" 2>/dev/null && { echo "FIFOs left behind"; exit 1; }

# Planted FIFOs.  Another user's under the target's names in /tmp are left
# alone and do not matter: the link's FIFOs are in the user's directory.
# A stale one of the same user there that others may open is replaced by a
# private one, and the attach succeeds.
printf '10 ERASE "pid.txt",ERR=*NEXT; SERIAL "pid.txt"; OPEN LOCK (1)"pid.txt"; PRINT (1)TCB(506); CLOSE (1)\n20 WAIT .05; IF N<400 THEN N=N+1; GOTO 20\n30 PRINT "released:",N=1000\nRUN\n' > loop.bas
printf '10 WAIT .1; OPEN (1,ERR=10)"pid.txt"; READ (1,ERR=10)P; CLOSE (1)\n20 X$=TSK(/OPEN (P),ERR=*NEXT); PRINT "attach:",ERR\n30 IF ERR=0 THEN X=SCLL("stat -c %%a '"$links"'/qeb.ot."+STR(P)+" '"$links"' > mode.txt"); X$=TSK(/EXECUTE:"N=1000")\nRUN\n' > attach.bas
rm -f pid.txt
"$oru" < loop.bas > loop.out 2>&1 &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  for f in in ot; do
    mkfifo -m 600 "/tmp/qeb.$f.$target_pid" && chown nobody "/tmp/qeb.$f.$target_pid" || exit 1
  done
  "$oru" < attach.bas > attach1.out 2>&1
  grep -q 'attach: 0' attach1.out || { echo "another user's FIFOs in /tmp kept the attach out:"; cat attach1.out; exit 1; }
  [ -p "/tmp/qeb.ot.$target_pid" ] || { echo "another user's FIFO was removed"; exit 1; }
  rm -f "/tmp/qeb.ot.$target_pid" "/tmp/qeb.in.$target_pid"
  # The first attach let the target go on: start it again.
  wait "$target_pid"
  rm -f pid.txt
  "$oru" < loop.bas > loop.out 2>&1 &
  target_pid=$!
  i=0
  while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
fi
mkdir -p -m 700 "$links"
mkfifo -m 666 "$links/qeb.ot.$target_pid" || exit 1
chmod 666 "$links/qeb.ot.$target_pid"
"$oru" < attach.bas > attach2.out 2>&1
grep -q 'attach: 0' attach2.out || { echo "attach after a stale FIFO:"; cat attach2.out; exit 1; }
wait "$target_pid"
target_pid=
[ "$(cat mode.txt)" = "600
700" ] || { echo "the link's FIFO or its directory is not private:"; cat mode.txt; exit 1; }
grep -q 'released: 1' loop.out || { echo "target:"; cat loop.out; exit 1; }

# The open-channel list: a keyed channel that has read shows its key (as
# KEY( gives it, without the stored form's length byte and padding), one
# just opened "AtStart", one an object opened its owner's handle.
rm -f pid.txt kf
printf '1 DEF CLASS "O"\n2 FUNCTION OPN()\n3 OPEN (4)"kf"; RETURN 0\n4 FUNCTION END\n5 END DEF\n10 ERASE "pid.txt",ERR=*NEXT; KEYED "kf",8,0,40\n20 OPEN (1)"kf"; WRITE (1,KEY="AAA")"x"; WRITE (1,KEY="BB")"y"\n25 OPEN (2)"kf"; CLOSE (1); OPEN (1)"kf"; READ (1,KEY="AAA")X$; O=NEW("O"); X=O'"'"'OPN()\n30 SERIAL "pid.txt"; OPEN LOCK (3)"pid.txt"; PRINT (3)TCB(506); CLOSE (3)\n40 WAIT .05; IF N<400 THEN N=N+1; GOTO 40\nSAVE "keysprog"\nRUN\n' > keys.bas
"$oru" < keys.bas > keys.out 2>&1 &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
printf '10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1)\n20 X$=TSK(/OPEN (P)); F$=TSK(/FILE); PRINT F$; R$=TSK(/EXECUTE:"N=1000"); X$=TSK(/CLOSE,ERR=*NEXT)\nRUN\n' > files.bas
"$oru" < files.bas > files.out 2>&1
wait "$target_pid"
target_pid=
grep -q "^1.Keyed.*kf.Key:'AAA'$" files.out && grep -q "^2.Keyed.*kf.AtStart" files.out &&
  grep -q "^4.Keyed.*kf.AtStart Obj#100001" files.out ||
  { echo "open-channel list:"; cat files.out; exit 1; }

# The call list of a target inside a method shows the line the method was
# called from at the caller's level.
rm -f pid.txt
printf '1 DEF CLASS "W"\n2 FUNCTION LOOP()\n3 SERIAL "pid.txt"; OPEN LOCK (3)"pid.txt"; PRINT (3)TCB(506); CLOSE (3)\n4 WAIT .05; IF N<400 THEN N=N+1; GOTO 4\n5 RETURN 0\n6 FUNCTION END\n7 END DEF\n10 W=NEW("W")\n20 X=W'"'"'LOOP()\n30 END\nSAVE "calls"\nRUN\n' > calls.bas
"$oru" < calls.bas > calls.out 2>&1 &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
printf '10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1)\n20 X$=TSK(/OPEN (P)); C$=TSK(/CALL); PRINT C$; R$=TSK(/EXECUTE:"N=1000"); X$=TSK(/CLOSE,ERR=*NEXT)\nRUN\n' > calls_dbg.bas
"$oru" < calls_dbg.bas > calls_dbg.out 2>&1
wait "$target_pid"
target_pid=
grep -q '^+00004 ' calls_dbg.out && grep -q '^+00020 calls' calls_dbg.out ||
  { echo "call list inside a method:"; cat calls_dbg.out; exit 1; }

# A target waiting at its console: a step starts its program as RUN would and
# stops at the first line; a resume lets it run on.
printf '10 PRINT "target runs"\n20 PRINT "second line"\n30 END\n' > prog.txt
printf 'MERGE "prog.txt"\nSAVE "prog"\n' | "$oru" > /dev/null 2>&1
rm -f pid.txt
( (printf 'LOAD "prog"\nSERIAL "pid.txt"\nOPEN LOCK (3)"pid.txt"\nPRINT (3)TCB(506)\nCLOSE (3)\n'; sleep 5; printf 'PRINT "console again"\n') |
  "$oru" > console.out 2>&1 ) &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
printf '10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1)\n20 X$=TSK(/OPEN (P)); R$=TSK(/STEP); PRINT "step:",R$; S$=TSK(/:); PRINT "status:",S$(1,6); R$=TSK(/RUN); PRINT "run:",R$; X$=TSK(/CLOSE)\nRUN\n' > console_dbg.bas
"$oru" < console_dbg.bas > console_dbg.out 2>&1
wait "$target_pid"
target_pid=
grep -q 'status:S00010' console_dbg.out && grep -q 'run:OK' console_dbg.out ||
  { echo "debugger of a target at its console:"; cat console_dbg.out; exit 1; }
grep -q '^second line' console.out && grep -q '^console again' console.out ||
  { echo "target at its console:"; cat console.out; exit 1; }

# A line executed in the target that ends it (QUIT) is answered "Gone", and
# the target really leaves: its loop does not run on, its FIFOs go, and the
# debugger is free to attach again.
rm -f pid.txt
"$oru" < loop.bas > loop.out 2>&1 &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
printf '10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1)
20 X$=TSK(/OPEN (P)); R$=TSK(/EXECUTE:"QUIT"); PRINT "reply:",R$
30 WAIT .5; Y$=TSK(/OPEN (P),ERR=*NEXT); PRINT "again:",ERR
RUN
' > quit.bas
"$oru" < quit.bas > quit.out 2>&1
wait "$target_pid"
quit_pid=$target_pid
target_pid=
grep -q 'reply:Gone' quit.out || { echo "EXECUTE QUIT:"; cat quit.out; exit 1; }
grep -q 'again: 15' quit.out || { echo "attach after the target quit:"; cat quit.out; exit 1; }
grep -q '^released' loop.out && { echo "the target ran on after QUIT:"; cat loop.out; exit 1; }
ls "$links"/qeb.*."$quit_pid" 2>/dev/null | grep -q . && { echo "FIFOs left behind after QUIT"; exit 1; }
exit 0
