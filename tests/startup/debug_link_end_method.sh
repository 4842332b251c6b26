#!/bin/sh
# The debug link's END ends the target's program when the target is inside
# an object's method (a nested run), called from a GOSUB inside a FOR: the
# program ends as by END, with no error reported at the calling line, and
# the console takes over (the loop does not run on).
. "$(dirname "$0")/lib.sh"
links="/tmp/oru-$(id -u)"
cat > loopc.txt <<'EOB'
10 DEF CLASS "LOOPC"
20 PROPERTY V
30 FUNCTION SPIN()
40 V=V+1; WAIT .02; IF V<300 THEN GOTO 40
50 FUNCTION END
60 END DEF
EOB
printf 'MERGE "loopc.txt"\nSAVE "LOOPC.orc"\n' | "$oru" > /dev/null 2>&1
printf '5 SERIAL "pid.txt"; OPEN LOCK (3)"pid.txt"; PRINT (3)TCB(506); CLOSE (3)\n10 H=NEW("LOOPC")\n20 FOR I=1 TO 2\n30 GOSUB 100\n40 NEXT I\n50 PRINT "loop ran out"\n60 STOP\n100 H'"'"'SPIN()\n110 RETURN\nSAVE "mtarget"\n' |
  "$oru" > /dev/null 2>&1
( (printf 'RUN "mtarget"\n'; sleep 4; printf 'PRINT "console I=",I\n') | "$oru" > target.out 2>&1 ) &
target_pid=$!
i=0
while [ ! -s pid.txt ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
cat > dbg.bas <<'EOB'
10 OPEN (1)"pid.txt"; READ (1)P; CLOSE (1); WAIT .3
20 X$=TSK(/OPEN (P)); R$=TSK(/END); PRINT "end:",R$; WAIT .3
30 S$=TSK(/:); PRINT "status:",S$(2,5); C$=TSK(/CALL); PRINT "levels:",POS($0A$=C$,1,0)
40 X$=TSK(/CLOSE)
RUN
EOB
timeout 60 "$oru" < dbg.bas > dbg.out 2>&1
wait "$target_pid"
rm -f "$links/qeb.in.$target_pid" "$links/qeb.ot.$target_pid"
fail=0
for want in 'end:OK' 'status:00000' 'levels: 1'; do
  grep -qx "$want" dbg.out || { echo "debugger: no line '$want'"; fail=1; }
done
grep -q '^console I= 1$' target.out || { echo "target not ended in its first pass"; fail=1; }
grep -q 'loop ran out' target.out && { echo "the loop ran on"; fail=1; }
grep -q 'Not allowed\|^0100' target.out && { echo "an error was reported"; fail=1; }
[ $fail -eq 0 ] || { echo "--- debugger"; cat dbg.out; echo "--- target"; cat target.out; }
exit $fail
