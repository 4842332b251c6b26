#!/bin/sh
# Two oru processes on one file: an exclusive OPEN in one refuses the file to
# the other (error 0, the file is in use), also to an input-only open; a
# shared open refuses an exclusive one elsewhere; CLOSE releases the file,
# and so does the end of the holding process, even when it is killed.
. "$(dirname "$0")/lib.sh"
printf 'one line\n' > data
start_holder

# Another process tries an OPEN (modifier in $1); prints "opened" or
# "refused <error>".  No busy retries: the answer comes at once.
answer() {
  printf '10 SET_PARAM '"'"'WT'"'"'=0\n20 OPEN %s(1,ERR=100)"data"\n30 PRINT "opened"\n40 END\n100 PRINT "refused",ERR\nRUN\n' "$1" |
    "$oru" 2>&1 | grep -E '^(opened|refused)' | tr -s ' '
}

hold 'OPEN LOCK (1)"data"' held
expect "shared open of a file held exclusively" "" "refused 0"
expect "input-only open of a file held exclusively" "INPUT " "refused 0"
expect "exclusive open of a file held exclusively" "LOCK " "refused 0"

hold 'CLOSE (1)' closed
expect "shared open after CLOSE" "" "opened"
expect "exclusive open after CLOSE" "LOCK " "opened"

hold 'OPEN INPUT (1)"data"' reading
expect "exclusive open of a file another process reads" "LOCK " "refused 0"
expect "shared open beside a reader" "" "opened"
hold 'CLOSE (1)' closed2

hold 'OPEN LOCK (1)"data"' again
end_holder kill
expect "exclusive open after the holder was killed" "LOCK " "opened"
exit 0
