#!/bin/sh
# While a rebuild of every key runs, a second process reads, rewrites and
# then removes records at the end of the file (records the scan reaches
# last).  Each READ finds its record, and each removed record stays
# removed: afterwards the count and every key agree and none of them is
# found.  Fixed- and variable-length.
. "$(dirname "$0")/lib.sh"
n=60000
status=0
case_of() {
  keyed_file "[1:1:6],[2:1:6],[2:3:4]" $2 $n
  start_rebuild
  printf '%s\n' '10 OPEN (1)"big"; M=0' \
    "20 FOR I=$n TO $n-19 STEP -1; K\$=STR(I:\"000000\")" \
    '30 READ (1,KEY=K$,DOM=90)A$,B$' \
    '40 WRITE (1)K$,"W"+K$(2); REMOVE (1,KEY=K$,DOM=90)' \
    '50 NEXT I; PRINT "missing ",STR(M); END' \
    '90 M=M+1; GOTO 50' RUN | "$oru" > writer.out 2>&1
  wait $rebuilder
  grep -q '^rebuilt' rebuild.out || { echo "$1: rebuild:"; cat rebuild.out; status=1; }
  grep -q '^missing 0' writer.out || { echo "$1: writer:"; cat writer.out; status=1; }
  got=$(printf '%s\n' '10 OPEN (1)"big"; PRINT "count ",STR(FIN(1,"NUMREC"))' \
    '20 FOR K=0 TO 2; N=0; READ (1,KNO=K,KEY="",DOM=30)' \
    '30 READ (1,KNO=K,END=50,ERR=60)A$,B$; N=N+1; GOTO 30' \
    '50 PRINT "key ",STR(K)," ",STR(N); NEXT K' \
    "55 F=0; FOR I=$n TO $n-19 STEP -1; READ (1,KNO=0,KEY=STR(I:\"000000\"),DOM=57); F=F+1" \
    '57 NEXT I; PRINT "found ",STR(F); END' \
    '60 PRINT "error ",ERR; GOTO 50' RUN |
    "$oru" 2>&1 | grep -E '^(count|key|found|error)' | tr '\n' ' ')
  left=$((n - 20))
  [ "$got" = "count $left key 0 $left key 1 $left key 2 $left found 0 " ] || { echo "$1: after the rebuild: $got"; status=1; }
}
case_of fixed 30
case_of variable -30
exit $status
