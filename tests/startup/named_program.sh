#!/bin/sh
# A program named on the command line runs on the first console pass; the
# process ends when it returns to the console.  One that cannot be run is
# reported, the console reads nothing more and the status is not 0.
. "$(dirname "$0")/lib.sh"
printf 'PRINT "console"\n' | "$oru" noprog > got 2>&1
status=$?
if [ $status -eq 0 ] || ! [ -s got ] || grep -q console got; then
  echo "status $status"; cat got; exit 1
fi
grep -q "Unable to initialize lead program" got || { echo "no lead text:"; cat got; exit 1; }
# A program that runs and stops on an error at one of its lines is reported
# as any program error: the lead text is not written.
printf '10 PRINT "start"\n20 LET X=1/0\nSAVE "lp"\n' | "$oru" > /dev/null 2>&1
"$oru" lp < /dev/null > got 2>&1
status=$?
printf 'start\n0020 LET X=1/0\nNumeric overflow or division by zero\nCurrent program is %s/lp, line 20\n' "$(pwd -P)" > want
if [ $status -ne 1 ] || ! cmp -s want got; then
  echo "status $status"; diff -u want got; exit 1
fi
# An entry point that is not there fails the RUN itself: the lead text.
"$oru" "lp;NOLABEL" < /dev/null > got 2>&1
grep -q "Unable to initialize lead program" got || { echo "entry point:"; cat got; exit 1; }
