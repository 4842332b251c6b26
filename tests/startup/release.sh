#!/bin/sh
# The exit status comes from RELEASE, at the console or in a program; end of
# input gives 0.
oru="$1"; lib="$2"
export ORULIB="$lib"
unset ORUINI
fail=0
expect() {  # $1: status, $2: session
  printf "$2" | "$oru" > /dev/null 2>&1; status=$?
  if [ $status -ne "$1" ]; then echo "session '$2': status $status, wanted $1"; fail=1; fi
}
expect 7 'RELEASE 7\nPRINT "not reached"\n'
expect 3 '10 PRINT 1\n20 RELEASE 3\n30 PRINT 2\nRUN\nPRINT "not reached"\n'
expect 0 'RELEASE\n'
expect 0 'RELEASE "T1"\n'
expect 9 'RELEASE "TOO"\nRELEASE 300\nRELEASE 9\n'
expect 0 'PRINT 1\n'
exit $fail
