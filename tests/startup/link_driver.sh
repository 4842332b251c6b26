#!/bin/sh
# A link file that names a terminal driver: OPEN runs "*dev/<id>" on the new
# channel, which becomes a terminal screen; a driver that does not exist
# closes the channel with error 100.
oru=$1; lib=$2
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
python3 - <<'PY'
for name, drv in (("prt", b"vt100"), ("bad", b"nosuch")):
    h = b"[Orudev]" + b"/dev/null".ljust(60) + drv.ljust(12)
    open(name, "wb").write(h.ljust(256, b"\0"))
PY
out=$(printf '%s\n' 'OPEN (1)"prt"' "PRINT (1)@(5,3),\"x\",@(0,3),'RL',; INPUT (1)L\$; PRINT \"[\",L\$(1,8),\"]\"" \
  'OPEN (2,ERR=10)"bad"' '10 PRINT "error ",ERR' 'RUN' 'PRINT (2)"x",ERR=20' '20 PRINT "closed: ",ERR' 'RUN' |
  ORULIB=$lib "$oru" 2>&1)
echo "$out" | grep -q '^\[     x  \]$' || { echo "the driver of the link did not make a screen:"; echo "$out"; exit 1; }
echo "$out" | grep -q '^error  100$' || { echo "a missing driver was not error 100:"; echo "$out"; exit 1; }
exit 0
