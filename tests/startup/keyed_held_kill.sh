#!/bin/sh
# A keyed channel that holds its file whole (OPEN LOCK, or LOCK of a shared
# channel) takes no locks, but every statement it finished is in the file:
# after "written" is printed the process is killed with kill -9, and another
# process finds every record written, none of those removed and the new
# data of those rewritten.  Fixed- and variable-length first-format files
# and EFF files.
. "$(dirname "$0")/lib.sh"
status=0
# case NAME MAKE OPEN: makes the file, writes 600 records, removes every
# third, rewrites every third from the second, then is killed.
case_of() {
  rm -f f
  printf '%s\nRUN\n' "$2" | "$oru" > /dev/null 2>&1
  [ -f f ] || { echo "$1: file not made"; status=1; return; }
  kill_after written "$3" \
    '20 FOR I=1 TO 600; WRITE (1,KEY=STR(I:"000000"))"first "+STR(I); NEXT I' \
    '30 FOR I=1 TO 600 STEP 3; REMOVE (1,KEY=STR(I:"000000")); NEXT I' \
    '40 FOR I=2 TO 600 STEP 3; WRITE (1,KEY=STR(I:"000000"))"again "+STR(I); NEXT I' \
    '50 PRINT "written"' '60 WAIT 60'
  got=$(printf '%s\n' '10 OPEN (1)"f"' \
    '20 READ (1,END=40,ERR=50)D$; N=N+1; IF POS("again"=D$)=1 THEN A=A+1' '30 GOTO 20' \
    '40 PRINT "records ",STR(N)," rewritten ",STR(A); END' '50 PRINT "error",ERR,"after",N' RUN |
    "$oru" 2>&1 | grep -E '^(records|error)' | tr -s ' ')
  [ "$got" = "records 400 rewritten 200" ] || { echo "$1 after kill -9: $got"; status=1; }
}
case_of "fixed, OPEN LOCK" '10 KEYED "f",6,0,40' '10 OPEN LOCK (1)"f"'
case_of "fixed, LOCK" '10 KEYED "f",6,0,40' '10 OPEN (1)"f"; LOCK (1)'
case_of "variable, OPEN LOCK" '10 KEYED "f",6,0,-40' '10 OPEN LOCK (1)"f"'
case_of "variable, LOCK" '10 KEYED "f",6,0,-40' '10 OPEN (1)"f"; LOCK (1)'
case_of "EFF, OPEN LOCK" '10 KEYED "f",6,0,40,OPT="1"' '10 OPEN LOCK (1)"f"'
exit $status
