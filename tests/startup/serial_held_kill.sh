#!/bin/sh
# Every line a finished statement printed or wrote is in the file when the
# statement returns: after "written" is printed the process is killed with
# kill -9, and the file holds exactly the lines of every finished statement.
# Serial files held whole (OPEN LOCK, LOCK), shared under parameter LU, with
# WRITE, with two lines in one statement, and binary streams of record
# size 1 that PRINT writes lines to.
. "$(dirname "$0")/lib.sh"
status=0
# case NAME OPEN STATEMENT WANT: an empty file f, 500 times STATEMENT on the
# channel OPEN made, then kill -9; f must hold the bytes of WANT (a printf
# format run for I=1..500).
case_of() {
  rm -f want
  : > f
  kill_after written "$2" "20 FOR I=1 TO 500; $3; NEXT I" '50 PRINT "written"' '60 WAIT 60'
  i=1
  while [ $i -le 500 ]; do printf "$4" $i; i=$((i + 1)); done > want
  if ! cmp -s f want; then
    echo "$1 after kill -9: $(wc -l < f) lines, $(wc -c < f) bytes; want $(wc -l < want) lines, $(wc -c < want) bytes"
    status=1
  fi
}
case_of "serial, OPEN LOCK" '10 OPEN LOCK (1)"f"' 'PRINT (1)"line ",I' 'line  %d\n'
case_of "serial, LOCK" '10 OPEN (1)"f"; LOCK (1)' 'PRINT (1)"line ",I' 'line  %d\n'
case_of "serial, shared with LU" "10 SET_PARAM 'LU'; OPEN (1)\"f\"" 'PRINT (1)"line ",I' 'line  %d\n'
case_of "serial, WRITE" '10 OPEN LOCK (1)"f"' 'WRITE (1)"rec",STR(I)' 'rec\212%d\212\n'
case_of "serial, two lines a statement" '10 OPEN LOCK (1)"f"' 'PRINT (1)"a",I,'"'LF'"',"b"' 'a %d\nb\n'
case_of "binary, record size 1" '10 OPEN LOCK (1,BIN=1)"f"' 'PRINT (1)"line ",I' 'line  %d\n'
exit $status
