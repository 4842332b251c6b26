#!/bin/sh
# A key rebuild of a first-format file gives the header lock back as it goes:
# while one process rebuilds every key of a big file, a second one writes new
# records, reads old ones (those the index being built already holds) and
# rewrites them.  The writer finishes some of its work
# before the rebuild ends, no record is lost and both keys index every
# record (the new ones included) once.  Fixed- and variable-length records.
. "$(dirname "$0")/lib.sh"
wait_file() {
  i=0
  until [ -f "$1" ]; do
    i=$((i + 1)); [ $i -gt 1200 ] && { echo "no $1"; exit 1; }
    sleep 0.05
  done
}
status=0
# case_of NAME RECLEN
case_of() {
  rm -f big started done rebuild.out writer.out
  printf '%s\n' "10 KEYED \"big\",\"[1:1:6],[2:1:6]\",0,$2" '20 OPEN (1)"big"' \
    '30 FOR I=1 TO 100000; WRITE (1)STR(I:"000000"),STR(1000000-I:"000000"); NEXT I' RUN |
    "$oru" > /dev/null 2>&1
  # The rebuild, silent inside a program; "started" and "done" are made
  # around it.
  printf '%s\n' '10 OPEN (1)"big"; SERIAL "started"' '20 KEYED LOAD (1)' '30 SERIAL "done"; PRINT "rebuilt"' RUN |
    "$oru" > rebuild.out 2>&1 &
  rebuilder=$!
  wait_file started
  # The header on disk shows the rebuild under way (flags byte 241, bit 5)
  # once the rebuild has given the header lock back; a rebuild holding the
  # lock to the end never shows it, and the writer then starts at "done".
  i=0
  until [ -f done ] || [ $(( $(od -An -tu1 -j241 -N1 big) & 32 )) -ne 0 ]; do
    i=$((i + 1)); [ $i -gt 6000 ] && { echo "$1: no rebuild seen"; exit 1; }
    sleep 0.01
  done
  printf '%s\n' '10 OPEN (1)"big"; B=0' \
    '20 FOR I=1 TO 300' \
    '30 WRITE (1)"N"+STR(I:"00000"),"M"+STR(I:"00000")' \
    '40 READ (1,KEY=STR(I*100:"000000"),DOM=60)A$,C$; IF C$<>STR(1000000-I*100:"000000") THEN PRINT "wrong ",A$," ",C$' \
    '50 WRITE (1)A$,C$' \
    '60 OPEN (2,ERR=80)"done"; CLOSE (2); GOTO 90' \
    '80 B=B+1' '90 NEXT I' \
    '100 PRINT "before the end ",STR(B>0)' RUN | "$oru" > writer.out 2>&1
  wait $rebuilder
  grep -q '^rebuilt' rebuild.out || { echo "$1: rebuild:"; cat rebuild.out; status=1; }
  grep -q '^wrong' writer.out && { echo "$1: writer read wrong data"; status=1; }
  got=$(grep '^before' writer.out)
  [ "$got" = "before the end 1" ] || { echo "$1: no write ended while the rebuild ran: $got"; cat writer.out; status=1; }
  got=$(printf '%s\n' '10 OPEN (1)"big"' \
    '20 FOR K=0 TO 1; N=0; P$=""; READ (1,KNO=K,KEY="",DOM=30)' \
    '30 READ (1,KNO=K,END=50,ERR=60)A$,B$; X$=A$; IF K=1 THEN X$=B$' \
    '40 IF X$<=P$ THEN PRINT "order ",K,X$ ELSE N=N+1; P$=X$; GOTO 30' \
    '50 PRINT "key ",STR(K)," ",STR(N); NEXT K; END' '60 PRINT "error ",ERR' RUN |
    "$oru" 2>&1 | grep -E '^(key|order|error)' | tr '\n' ' ')
  [ "$got" = "key 0 100300 key 1 100300 " ] || { echo "$1: after the rebuild: $got"; status=1; }
}
case_of fixed 30
case_of variable -30
exit $status
