#!/bin/sh
# Object events run while INPUT waits for its answer: the event timer's
# Timeout handler runs during the wait (before the answer is taken), once
# for each period.  The answer comes 2.5 seconds after the INPUT starts,
# so at least two periods of one second pass while it waits.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cat > prog.txt <<'END'
10 DEF CLASS "H"
20 PROPERTY N
30 FUNCTION TICK() FOR EVENT "Timeout"
40 N=N+1
50 PRINT "tick"
60 FUNCTION END
70 END DEF
80 DEF OBJECT S,"*system"
90 H=NEW("H")
100 ON EVENT FROM S PROCESS H
110 SERIAL "ready"
120 ENABLE EVENT TIM 1
130 INPUT "answer? ",A$
140 DISABLE EVENT TIM
150 PRINT "ticks before the answer:",H'N>=2,A$
160 END
END
printf 'MERGE "prog.txt"\nSAVE "prog"\n' | "$oru" > build.log 2>&1
[ -s prog ] || { echo "program not saved"; cat build.log; exit 1; }
( i=0; while [ ! -f ready ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; sleep 2.5; printf 'yes\n' ) |
  timeout 60 "$oru" prog > got 2>&1
grep -q 'ticks before the answer: 1yes' got || { echo "INPUT and Timeout:"; cat got; exit 1; }

# The same with a time-out on the INPUT: the handler marks each tick in a
# file, and the marks must stand before the answer is given.
cat > timed.txt <<'END'
10 DEF CLASS "H"
20 PROPERTY N
30 FUNCTION TICK() FOR EVENT "Timeout"
40 N=N+1; SERIAL "tick"+STR(N)
50 FUNCTION END
60 END DEF
70 DEF OBJECT S,"*system"
80 H=NEW("H")
90 ON EVENT FROM S PROCESS H
100 SERIAL "timed_ready"
110 ENABLE EVENT TIM 1
120 INPUT (0,TIM=30)"answer? ",A$
130 DISABLE EVENT TIM
140 PRINT "timed:",A$
150 END
END
printf 'MERGE "timed.txt"\nSAVE "timed"\n' | "$oru" > build.log 2>&1
[ -s timed ] || { echo "program not saved"; cat build.log; exit 1; }
( i=0; while [ ! -f timed_ready ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; sleep 2.5
  [ -f tick2 ] && : > during; printf 'yes\n' ) |
  timeout 60 "$oru" timed > got 2>&1
[ -f during ] || { echo "INPUT with TIM= and Timeout: no handler ran while it waited"; cat got; exit 1; }
grep -q 'timed:yes' got || { echo "INPUT with TIM=:"; cat got; exit 1; }
exit 0
