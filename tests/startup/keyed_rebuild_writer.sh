#!/bin/sh
# A rebuild of every key of a variable-length file with three keys while a
# second process writes new records, removes records and rewrites others
# (new key 1 values, records grown or shrunk so that some move): afterwards
# every key holds each record the writer's work left exactly once, no entry
# of a removed record, and the record count is exact.  A rebuild killed
# half-way leaves a file that can be written, and the next rebuild mends it.
. "$(dirname "$0")/lib.sh"
n=30000
status=0
fail() { echo "$*"; status=1; }
make_file() {
  rm -f big
  printf '%s\n' '10 KEYED "big","[1:1:6],[2:1:6],[3:1:6]",0,-80' '20 OPEN (1)"big"; X$="xxxxxxxxxxxxxxxxxxxxxxxx"' \
    "30 FOR I=1 TO $n; WRITE (1)STR(I:\"000000\"),STR(1000000-I:\"000000\"),STR(MOD(I*7919,1000000):\"000000\")+X\$(1,MOD(I,23)+1); NEXT I" RUN |
    "$oru" > /dev/null 2>&1
}
# Every record by every key: "count N", then "K<key> f1 f2 f3" lines.
dump() {
  printf '%s\n' '10 OPEN (1)"big"; PRINT "count ",FIN(1,"NUMREC")' \
    '20 FOR K=0 TO 2; READ (1,KNO=K,KEY="",DOM=30)' \
    '30 READ (1,KNO=K,END=50,ERR=60)A$,B$,C$; PRINT "K",STR(K)," ",A$," ",B$," ",C$; GOTO 30' \
    '50 NEXT K; END' '60 PRINT "error ",ERR," on key ",K; GOTO 50' RUN | "$oru" 2>&1
}
# check NAME EXPECTED: each key lists exactly the expected records, in its
# own order, and the count agrees.
check() {
  dump > after.txt
  grep '^error' after.txt && fail "$1: errors reading by key"
  c=$(grep '^count' after.txt | tr -dc 0-9); e=$(wc -l < "$2" | tr -dc 0-9)
  [ "$c" = "$e" ] || fail "$1: record count $c, $e records"
  for k in 0 1 2; do
    grep "^K$k " after.txt | cut -d' ' -f2- > k$k.txt
    case $k in 2) by='-k3.1,3.6' ;; *) by="-k$((k + 1)),$((k + 1))" ;; esac
    LC_ALL=C sort -c -s $by k$k.txt 2>/dev/null || fail "$1: key $k out of order"
    LC_ALL=C sort k$k.txt | cmp -s - "$2" ||
      fail "$1: key $k: $(LC_ALL=C sort k$k.txt | diff - "$2" | grep -c '^[<>]') entries wrong"
  done
}
wait_started() {
  i=0
  until [ -f started ]; do i=$((i + 1)); [ $i -gt 3000 ] && { echo "no start"; exit 1; }; sleep 0.01; done
}

# A writer beside the rebuild.
make_file
dump | grep '^K0 ' | cut -d' ' -f2- > initial.txt
rm -f started done
printf '%s\n' '10 OPEN (1)"big"; SERIAL "started"' '20 KEYED LOAD (1)' '30 SERIAL "done"; PRINT "rebuilt"' RUN |
  "$oru" > rebuild.out 2>&1 &
rebuilder=$!
wait_started
# Until the rebuild ends: a new record, a removal and a rewrite each turn,
# logged as done (a removal or rewrite of a record the key being rebuilt
# does not hold yet finds nothing and is not logged).
printf '%s\n' '10 OPEN (1)"big"; B=0; Y$="yyyyyyyyyy"; X$="xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"' \
  '20 FOR I=1 TO 90000' \
  '30 A$="N"+STR(I:"00000"); B$="M"+STR(I:"00000"); C$="Q"+STR(I:"00000")+X$(1,MOD(I,29)+1); WRITE (1)A$,B$,C$; PRINT "W ",A$," ",B$," ",C$' \
  "40 K\$=STR(MOD(I*7919,$n)+1:\"000000\"); REMOVE (1,KEY=K\$,DOM=50); PRINT \"R \",K\$" \
  "50 K\$=STR(MOD(I*7919+$n/2,$n)+1:\"000000\"); READ (1,KEY=K\$,DOM=70)A\$,B\$,C\$; B\$=\"U\"+B\$(2); IF MOD(I,2) THEN C\$=C\$+Y\$ ELSE C\$=C\$(1,6)" \
  '60 WRITE (1)A$,B$,C$; PRINT "U ",A$," ",B$," ",C$' \
  '70 OPEN (2,ERR=90)"done"; CLOSE (2); GOTO 100' \
  '90 B=B+1; NEXT I' \
  '100 PRINT "during the rebuild ",STR(B>0)' RUN | "$oru" > writer.out 2>&1
wait $rebuilder
grep -q '^rebuilt' rebuild.out || { fail "rebuild:"; cat rebuild.out; }
grep -q '^during the rebuild 1' writer.out || { fail "no change made during the rebuild"; tail -5 writer.out; }
awk 'FNR == NR { r[$1] = $0; next }
  $1 == "W" || $1 == "U" { r[$2] = $2 " " $3 " " $4 }
  $1 == "R" { delete r[$2] }
  END { for (k in r) print r[k] }' initial.txt writer.out | LC_ALL=C sort > expected.txt
check "beside a writer" expected.txt

# A rebuild killed half-way (the header on disk shows it under way: flags
# byte 241, bit 5): the file takes a new record, and a rebuild mends it.
cp expected.txt before.txt
printf '%s\n' '10 OPEN (1)"big"' '20 KEYED LOAD (1)' '30 PRINT "rebuilt"' RUN | "$oru" > killed.out 2>&1 &
victim=$!
i=0
until [ $(( $(od -An -tu1 -j241 -N1 big) & 32 )) -ne 0 ]; do
  i=$((i + 1)); [ $i -gt 3000 ] && { echo "no rebuild seen"; exit 1; }
  sleep 0.005
done
kill -9 $victim
wait $victim 2>/dev/null
got=$(printf '%s\n' 'OPEN (1)"big"' 'WRITE (1)"ZZZZZZ","ZZZZZZ","ZZZZZZ"' 'PRINT "written"' | "$oru" 2>&1 | grep -c '^written')
[ "$got" = 1 ] || fail "after the kill: no WRITE"
printf '%s\n' '10 OPEN (1)"big"' '20 KEYED LOAD (1)' '30 PRINT "rebuilt"' RUN | "$oru" 2>&1 | grep -q '^rebuilt' ||
  fail "after the kill: no rebuild"
{ cat before.txt; echo "ZZZZZZ ZZZZZZ ZZZZZZ"; } | LC_ALL=C sort > expected.txt
check "after a killed rebuild" expected.txt
exit $status
