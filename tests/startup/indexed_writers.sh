#!/bin/sh
# Two processes write an indexed file past its record count.  One waits for
# the header lock while the other raises the count past its record and
# zero-fills the records passed over: the waiting writer's record must
# still be there once both are done.  The holder keeps the header lock
# taken (an EXTRACT of header bytes 10-19 through a binary channel) until
# the other process waits for it, then writes record 6 itself.
. "$(dirname "$0")/lib.sh"
[ -r /proc/locks ] || { echo "/proc/locks missing: skipped"; exit 77; }
printf '%s\n' 'INDEXED "ix",0,8' | "$oru" > /dev/null 2>&1
start_holder
hold 'OPEN (1)"ix"; OPEN (2,BIN=10)"ix"; EXTRACT RECORD (2,IND=1)H$' holding

printf '%s\n' '10 OPEN (1)"ix"' '20 WRITE RECORD (1,IND=3)"three"' '30 PRINT "written"' RUN |
  "$oru" > other.out 2>&1 &
other=$!
# Until the other process waits for a lock (a "->" entry of its pid).
i=0
until grep -q -- "-> POSIX *ADVISORY *WRITE $other " /proc/locks; do
  i=$((i + 1))
  [ $i -gt 1200 ] && { echo "the other writer never waited for the header lock"; cat other.out; exit 1; }
  kill -0 "$other" 2>/dev/null || { echo "the other writer did not wait"; cat other.out; exit 1; }
  sleep 0.05
done

hold 'WRITE RECORD (1,IND=6)"six"' six
wait "$other"
grep -q '^written$' other.out || { echo "the other writer failed:"; cat other.out; exit 1; }
for n in 0 1 2 3 4 5 6; do
  hold "READ RECORD (1,IND=$n)A\$; PRINT $n,\":\",CVS(A\$,128)" "read$n"
done
end_holder quit
want=' 0:
 1:
 2:
 3:three
 4:
 5:
 6:six'
got=$(grep -aE '^ [0-6]:' held.out | tr -d '\000')
if [ "$got" != "$want" ]; then
  echo "records after both writers:"
  printf '%s\n' "$got"
  exit 1
fi
