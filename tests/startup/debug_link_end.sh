#!/bin/sh
# The debug link's END ends the target's program at any call depth: a target
# looping on a CALL whose callee waits is ended from inside the callee, and
# its console takes over (the loop does not run on).  An empty command (a
# full header, no payload) is answered as a command not understood, and the
# link stays.
. "$(dirname "$0")/lib.sh"
links="/tmp/oru-$(id -u)"
printf '10 ENTER N\n20 WAIT .02\n30 EXIT\nSAVE "dsub"\n' | "$oru" > /dev/null 2>&1
printf '5 SERIAL "pid.txt"; OPEN LOCK (3)"pid.txt"; PRINT (3)TCB(506); CLOSE (3)\n10 K=K+1; CALL "dsub",K; IF K<300 THEN GOTO 10\n20 PRINT "loop ran out"\nSAVE "dtarget"\n' |
  "$oru" > /dev/null 2>&1
( (printf 'RUN "dtarget"\n'; sleep 4; printf 'PRINT "console K=",K\n') | "$oru" > target.out 2>&1 ) &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
cat > dbg.bas <<'EOB'
10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1)
20 X$=TSK(/OPEN (P)); E$=TSK(/,ERR=*NEXT); PRINT "empty:",E$,ERR
30 S$=TSK(/:); PRINT "before:",S$(1,1)
40 R$=TSK(/END); PRINT "end:",R$; WAIT .3
50 K1$=TSK(/RETURN:"STR(K)"); WAIT .3; K2$=TSK(/RETURN:"STR(K)")
60 PRINT "still:",K1$=K2$; X$=TSK(/CLOSE)
RUN
EOB
timeout 60 "$oru" < dbg.bas > dbg.out 2>&1
wait "$target_pid"
rm -f "$links/qeb.in.$target_pid" "$links/qeb.ot.$target_pid"
fail=0
for want in 'empty:NA 0' 'before:R' 'end:OK' 'still: 1'; do
  grep -qx "$want" dbg.out || { echo "debugger: no line '$want'"; fail=1; }
done
grep -q '^console K=' target.out && ! grep -q 'loop ran out' target.out || { echo "target not ended"; fail=1; }
[ $fail -eq 0 ] || { echo "--- debugger"; cat dbg.out; echo "--- target"; cat target.out; }
exit $fail
