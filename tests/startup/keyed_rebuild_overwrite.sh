#!/bin/sh
# While a rebuild of every key runs, a second process removes records from
# the start and rewrites records from the end of the file down, records
# the rebuild has not reached yet among them (key 0 is loaded under the
# lock, so the writer goes on once key 0 is whole).  Afterwards the file
# holds each key once, with the value last written, and every key and the
# record count agree.  Fixed- and variable-length.
. "$(dirname "$0")/lib.sh"
n=50000
status=0
case_of() {
  keyed_file "[1:1:6],[2:1:6]" $2 $n
  start_rebuild
  # Records from the last one down, each given a new key 1 value, until
  # the rebuild ends; before each, a record from the first one up is
  # removed (when key 0 holds it already), so that the new record may take
  # a slot the rebuild has passed.
  printf '%s\n' '10 OPEN (1)"big"; W=0; R=0' \
    "20 FOR I=$n TO $n/2+1 STEP -1; REMOVE (1,KEY=STR($n+1-I:\"000000\"),DOM=25); R=R+1" \
    "25 WRITE (1)STR(I:\"000000\"),\"W\"+STR(I:\"00000\"); W=W+1" \
    '30 OPEN (2,ERR=40)"done"; CLOSE (2); GOTO 50' '40 NEXT I' \
    '50 PRINT "written ",STR(W)," ",STR(R)' RUN | "$oru" > writer.out 2>&1
  wait $rebuilder
  grep -q '^rebuilt' rebuild.out || { echo "$1: rebuild:"; cat rebuild.out; status=1; }
  w=$(grep '^written' writer.out | cut -d' ' -f2); r=$(grep '^written' writer.out | cut -d' ' -f3)
  [ -n "$r" ] || { echo "$1: writer:"; cat writer.out; status=1; }
  left=$((n - r))
  got=$(printf '%s\n' '10 OPEN (1)"big"; PRINT "count ",STR(FIN(1,"NUMREC"))' \
    '20 FOR K=0 TO 1; N=0; W=0; P$=""; READ (1,KNO=K,KEY="",DOM=30)' \
    '30 READ (1,KNO=K,END=50,ERR=60)A$,B$; X$=A$; IF K=1 THEN X$=B$' \
    '40 IF X$<P$ OR K=0 AND X$=P$ THEN PRINT "order ",K," ",X$' \
    '45 N=N+1; P$=X$; IF B$(1,1)="W" THEN W=W+1' \
    '47 GOTO 30' \
    '50 PRINT "key ",STR(K)," ",STR(N)," ",STR(W); NEXT K' \
    "55 READ (1,KNO=0,KEY=STR($n:\"000000\"))A\$,B\$; PRINT \"last \",B\$; END" \
    '60 PRINT "error ",ERR; GOTO 50' RUN |
    "$oru" 2>&1 | grep -E '^(count|key|order|error|last)' | tr '\n' ' ')
  [ "$got" = "count $left key 0 $left $w key 1 $left $w last W$n " ] || { echo "$1: after the rebuild: $got"; status=1; }
}
case_of fixed 30
case_of variable -30
exit $status
