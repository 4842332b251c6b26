#!/bin/sh
# DataAvailable is raised while WAIT waits: the console's data is looked for
# during the wait, and the handler runs before the wait ends.  The line comes
# half a second into a WAIT of 8 seconds; the handler's file must stand well
# before the wait's end.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cat > prog.txt <<'END'
10 DEF CLASS "WATCH"
20 PROPERTY COUNT
30 FUNCTION SEEN(CH) FOR EVENT "DataAvailable"
40 ENTER CH; COUNT=COUNT+1
50 IF COUNT=1 THEN SERIAL "seen"
60 RETURN 0
70 FUNCTION END
80 END DEF
100 DEF OBJECT EVH,"*system"; W=NEW("WATCH"); ON EVENT FROM EVH PROCESS W
110 ENABLE EVENT DATA (0)
120 SERIAL "ready"
130 WAIT 8
140 PRINT "events:",W'COUNT
150 END
END
printf 'MERGE "prog.txt"\nSAVE "prog"\n' | "$oru" > build.log 2>&1
[ -s prog ] || { echo "program not saved"; cat build.log; exit 1; }
( i=0; while [ ! -f ready ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; sleep 0.5; printf 'line\n'
  i=0; while [ ! -f seen ] && [ $i -lt 40 ]; do sleep 0.1; i=$((i+1)); done
  [ -f seen ] && : > during ) |
  timeout 60 "$oru" prog > got 2>&1
[ -f during ] || { echo "DataAvailable did not run during the WAIT:"; cat got; exit 1; }
grep -q 'events: 1' got || { echo "DataAvailable count:"; cat got; exit 1; }
exit 0
