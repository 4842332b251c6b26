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
