#!/bin/sh
# EFF readers beside a process that PURGEs and rewrites the file: reads run
# without the file lock and are repeated when a commit overlapped them, so
# every reader sees committed states only.  Each reader reads the file in
# key order again and again, with random KEY= reads between; nothing but END
# may end a pass, the keys ascend and every record's data matches its key.
. "$(dirname "$0")/lib.sh"
printf '%s\n' '10 KEYED "k",[1:1:5],0,-100,OPT="1"' RUN | "$oru" > /dev/null 2>&1
[ -f k ] || { echo "file not made"; exit 1; }
cat > writer.bas <<'BAS'
10 OPEN (1)"k"
20 FOR R=1 TO 24
30 PURGE (1)
40 N=100+RND(400)
50 FOR I=1 TO N; K$="S"+STR(I:"0000"); WRITE (1)K$,"d"+K$; NEXT I
55 IF MOD(R,4)=0 THEN FOR I=1 TO N STEP 3; REMOVE (1,KEY="S"+STR(I:"0000")); NEXT I
60 NEXT R
70 SERIAL "done"
80 PRINT "writer done"
RUN
BAS
cat > reader.bas <<'BAS'
10 OPEN (1)"k"
20 P=P+1; L$=""
30 READ (1,KEY="",DOM=40,ERR=900)
40 READ (1,END=100,ERR=900)K$,D$
50 IF K$<=L$ THEN PRINT "out of order: ",L$," then ",K$; E=E+1
60 IF D$<>"d"+K$ THEN PRINT "data ",D$," under ",K$; E=E+1
70 L$=K$; C=C+1
80 IF MOD(C,7)<>0 THEN GOTO 40
82 K$="S"+STR(1+RND(600):"0000"); READ (1,KEY=K$,DOM=86,ERR=900)X$,D$
84 IF X$<>K$ OR D$<>"d"+K$ THEN PRINT "random: ",K$," gave ",X$," ",D$; E=E+1
86 READ (1,KEY=L$,DOM=40,ERR=900)X$
90 GOTO 40
100 OPEN (5,ERR=20)"done"; CLOSE (5)
110 PRINT "reader faults",E
120 END
900 PRINT "error",ERR," after ",L$; E=E+1; IF E<20 THEN RETRY
910 PRINT "reader faults",E
RUN
BAS
"$oru" < writer.bas > writer.out 2>&1 &
for r in 1 2 3; do "$oru" < reader.bas > reader$r.out 2>&1 & done
wait
grep -q '^writer done' writer.out || { echo "writer:"; tail -5 writer.out; exit 1; }
status=0
for r in 1 2 3; do
  if ! grep -q '^reader faults 0$' reader$r.out; then
    echo "reader $r:"; grep -v '^-[:>]' reader$r.out | sort | uniq -c | sort -rn | head -8; status=1
  fi
done
# The file is sound afterwards.
printf '%s\n' '10 OPEN (1)"k"' '20 READ (1,END=30)K$,D$; N=N+1; IF D$<>"d"+K$ THEN PRINT "bad ",K$' '25 GOTO 20' \
  '30 PRINT "records ",N' RUN | "$oru" 2>&1 | grep -E '^(bad|records)' > final.out
if grep -q '^bad' final.out || ! grep -q '^records *[1-9]' final.out; then
  echo "file afterwards:"; cat final.out; status=1
fi
exit $status
