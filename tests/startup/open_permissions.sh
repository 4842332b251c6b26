#!/bin/sh
# OPEN of files the user may not open read-write falls back to the access
# the file allows, exactly one way: a read-only file opens for input (PURGE
# refused with 13), a write-only file opens for output (OPEN INPUT refused
# with 13), a file with neither is the host error 269 (permission denied, no
# busy retries).  Run as an unprivileged user (root reads everything).
. "$(dirname "$0")/lib.sh"
chmod 755 "$tmp"
run=""
if [ "$(id -u)" = 0 ]; then
  command -v setpriv > /dev/null || { echo "setpriv missing: skipped"; exit 77; }
  run="setpriv --reuid=65534 --regid=65534 --clear-groups"
  # The build may sit under a folder the unprivileged user cannot enter (a
  # checkout in a private home): it runs copies of the executable and the
  # library kept in the scratch folder.
  mkdir bin && cp "$oru" bin/oru && cp -R "$lib" bin/lib && chmod -R a+rX bin ||
    { echo "cannot copy the build for the unprivileged user: skipped"; exit 77; }
  oru="$tmp/bin/oru"
  export ORULIB="$tmp/bin/lib"
  $run "$oru" < /dev/null > probe.out 2>&1
  if [ $? -gt 1 ] || grep -q "ermission denied" probe.out; then
    echo "the unprivileged user cannot run the copied build: skipped"; cat probe.out; exit 77
  fi
fi
printf 'first\n' > ro; chmod 444 ro
printf 'first\n' > wo; chmod 222 wo
printf 'first\n' > none; chmod 000 none

cat > session.bas <<'EOF'
10 SET_PARAM 'WT'=0
20 OPEN (1,ERR=40)"ro"
30 READ (1)A$
35 PRINT "ro read: ",A$
40 WRITE (1,ERR=50)"x"
45 PRINT "no error?"
50 PRINT "ro write: error",ERR
60 CLOSE (1)
70 OPEN PURGE (1,ERR=90)"ro"
80 PRINT "no error?"
90 PRINT "ro purge: error",ERR
100 OPEN (2,ERR=120)"wo"
110 PRINT "wo opened"
120 READ (2,ERR=140)A$
130 PRINT "no error?"
140 PRINT "wo read: error",ERR
150 CLOSE (2)
160 OPEN INPUT (2,ERR=180)"wo"
170 PRINT "no error?"
180 PRINT "wo input: error",ERR
190 OPEN (3,ERR=210)"none"
200 PRINT "no error?"
210 PRINT "none: error",ERR
220 READ (3,ERR=240)A$
230 PRINT "no error?"
240 PRINT "channel 3 after it: error",ERR
250 OPEN INPUT (3)"ro"
260 READ (3)A$
270 PRINT "channel 3 opened after it: ",A$
RUN
EOF
$run "$oru" < session.bas > all 2>&1
grep -E '^(ro|wo|none|channel|no error)' all > got
cat > want <<'EOF'
ro read: first
ro write: error 13
ro purge: error 13
wo opened
wo read: error 13
wo input: error 13
none: error 269
channel 3 after it: error 14
channel 3 opened after it: first
EOF
if ! cmp -s want got; then
  diff -u want got
  echo "--- the whole session:"; cat all
  exit 1
fi
