#!/bin/sh
# A process that has the journal file open as a channel (its open mark on
# byte 0) does not stop other processes from writing to the journal.
. "$(dirname "$0")/lib.sh"
command -v timeout > /dev/null || { echo "timeout missing: skipped"; exit 77; }
: > jf
printf '%s\n' 'SET_JOURNAL OPEN "jf"' 'SET_JOURNAL WRITE "first"' 'SET_JOURNAL CLOSE' | "$oru" > first.out 2>&1
start_holder
hold 'OPEN (1)"jf"' opened
printf '%s\n' 'SET_JOURNAL OPEN "jf"' 'SET_JOURNAL WRITE "second"' 'SET_JOURNAL CLOSE' 'PRINT "written"' > w.bas
timeout 20 "$oru" < w.bas > w.out 2>&1
grep -q '^written$' w.out || { echo "a journal held open by a reader stopped the writer:"; cat w.out; exit 1; }
grep -q second jf || { echo "the second entry is missing"; exit 1; }
end_holder quit
exit 0
