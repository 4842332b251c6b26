#!/bin/sh
# Interpreter options: a two-letter switch (LZ drops the leading zero), one
# with a value, "-arg" making the rest the program's arguments, IS back to 5
# after start-up.  The terminal id that FID(0) gives: T0, or environment
# ORUFID0, or -ID= (which wins), cut to 12 characters.  -ES: a host error's
# report adds the errno.
. "$(dirname "$0")/lib.sh"
fail=0
check() {  # $1: statement, $2: expected output line(s), rest: arguments
  stmt=$1; want=$2; shift 2
  printf '%s\n' "$stmt" | "$oru" "$@" > got 2>&1
  printf -- "->%s\n$want->\n" "$stmt" > want
  if ! cmp -s want got; then echo "oru $*"; diff -u want got; fail=1; fi
}
check 'PRINT 0.5' ' .5\n' -LZ
check 'PRINT 0.5' ' .5\n' -lz
check 'PRINT 0.5' ' 0.5\n' -LZ=0
check 'PRINT 0.5' ' 0.5\n' -arg -LZ prog
check 'PRINT 0.5' ' .5\n' -LZ -arg prog
check 'PRINT PRM' "$(printf 'PRINT PRM' | "$oru" | sed -n 2p | sed "s/'BF'=10/'BF'=20/")\n" -BF=20 -IS=3
check 'PRINT "[",FID(0),"]"' '[T0]\n'
check 'PRINT "[",FID(0),"]"' '[ZZ]\n' -ID=ZZ
check 'DIRECTORY "d"; SERIAL "d/f"; ERASE "d"' 'Directory not empty\nDirectory not empty (39)\n' -ES
export ORUFID0=Q7
check 'PRINT "[",FID(0),"]"' '[Q7]\n'
check 'PRINT "[",FID(0),"]"' '[abcdefghijkl]\n' -id=abcdefghijklmnop
exit $fail
