#!/bin/sh
# The loaded-program list keeps a called program by its name: with PC above
# 0, a program that another process replaces on disk runs as loaded until
# this process drops it (here: it makes a file; then: its console prompt).
. "$(dirname "$0")/lib.sh"
printf '10 PRINT "version one"\n20 EXIT\nSAVE "pcv"\n' | "$oru" > /dev/null 2>&1
printf '10 PRINT "version two"\n20 EXIT\nSAVE "pcv_new"\n' | "$oru" > /dev/null 2>&1
cat > main.bas <<'EOB'
10 SET_PARAM 'PC'=3
20 CALL "pcv"
30 OPEN (1)"ready"; CLOSE (1); WAIT .05; IF N<400 THEN N=N+1; OPEN (1,ERR=30)"replaced"; CLOSE (1)
40 CALL "pcv"
50 SERIAL "made"
60 CALL "pcv"
70 PRINT "program ends"
RUN
CALL "pcv"
EOB
: > ready
rm -f replaced
( "$oru" < main.bas > got 2>&1 ) &
pid=$!
i=0
while ! grep -q "^version one" got 2>/dev/null && [ $i -lt 300 ]; do sleep 0.05; i=$((i+1)); done
cp pcv_new pcv.tmp && mv pcv.tmp pcv && : > replaced
wait $pid
grep -v '^[-][>:]' got > out
printf 'version one\nversion one\nversion two\nprogram ends\nversion two\n' > want
if ! cmp -s want out; then diff -u want out; exit 1; fi
