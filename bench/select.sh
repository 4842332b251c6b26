#!/bin/sh
# SELECT ... WHERE ... NEXT RECORD beside the READ loop that does the same
# by hand: N keyed records (default 1,000,000) with a numeric field, of
# which the WHERE (a tenth of the amounts) keeps 10 %; both walk the whole
# file in key order, count and sum what they keep.  Seconds of each (best
# of three) and the ratio loop / select (above 1: SELECT is faster).
# Usage: bench/select.sh [build-dir] [records]
. "$(dirname "$0")/lib.sh"
n=${2:-1000000}
cat > "$tmp/make.bas" <<EOB
10 KEYED "sel.key",8,0,40
20 OPEN LOCK (1,NBF=255)"sel.key"
30 FOR I=1 TO $n; WRITE (1,KEY=STR(I:"00000000"))STR(I:"00000000"),I,"customer name"; NEXT I
40 CLOSE (1)
RUN
EOB
cat > "$tmp/loop.bas" <<'EOB'
10 OPEN (1,NBF=255)"sel.key"; LET C=0,S=0,T=TMR(0)
20 READ (1,KEY="",DOM=30)
30 READ (1,END=60)K$,AMT,N$
40 IF MOD(AMT,10)<>0 THEN GOTO 30
50 C=C+1; S=S+AMT; GOTO 30
60 PRINT "time ",STR(TMR(0):"##0.000")," ",C," ",S
RUN
EOB
cat > "$tmp/select.bas" <<'EOB'
10 OPEN (1,NBF=255)"sel.key"; LET C=0,S=0,T=TMR(0)
20 SELECT K$,AMT,N$ FROM 1 WHERE MOD(AMT,10)=0
30 C=C+1; S=S+AMT
40 NEXT RECORD
60 PRINT "time ",STR(TMR(0):"##0.000")," ",C," ",S
RUN
EOB
cd "$tmp"
"$oru" < make.bas > make.out 2>&1
best() {  # best of three runs of a program: its seconds; its counts in $tmp/$1.res
  b=""
  for _ in 1 2 3; do
    r=$("$oru" < "$1.bas" 2>&1 | awk '$1 == "time" { print $2, $3, $4 }')
    [ -n "$r" ] || { echo "$1.bas failed" >&2; "$oru" < "$1.bas" | tail -3 >&2; exit 1; }
    t=${r%% *}
    echo "${r#* }" > "$1.res"
    b=$(echo "$t $b" | awk '{if ($2=="" || $1<$2) print $1; else print $2}')
  done
  echo "$b"
}
tl=$(best loop)
ts=$(best select)
cmp -s loop.res select.res || { echo "counts differ: $(cat loop.res) / $(cat select.res)"; exit 1; }
printf 'records %s kept %s\n' "$n" "$(cut -d' ' -f1 loop.res)"
printf 'read loop %8s s\nselect    %8s s\n' "$tl" "$ts"
echo "$tl $ts" | awk '{ if ($2 > 0) printf "loop/select %.2f\n", $1/$2 }'
