#!/bin/sh
# A process killed inside a transaction leaves every file as at its last
# COMMIT (also for the process that opens them next), and its end-of-run
# update log behind, naming the files it changed; a process that ends
# normally leaves no log.
. "$(dirname "$0")/lib.sh"
mkdir logs || exit 2
cat > killed.bas <<'BAS'
10 SET_JOURNAL "logs"
20 FOR F=1 TO 3; KEYED "t"+STR(F),4,0,40,OPT="1"; OPEN (F)"t"+STR(F); NEXT F
30 SET_JOURNAL BEGIN
40 FOR F=1 TO 3; FOR K=1 TO 20; WRITE (F,KEY=STR(K:"0000"))"committed "+STR(F*100+K); NEXT K; NEXT F
50 SET_JOURNAL COMMIT
60 SET_JOURNAL BEGIN
70 FOR F=1 TO 3; FOR K=10 TO 40; WRITE (F,KEY=STR(K:"0000"))"lost "+STR(K); NEXT K; NEXT F
80 REMOVE (1,KEY="0001"); REMOVE (2,KEY="0002"); REMOVE (3,KEY="0003")
90 PRINT "killing"
100 INVOKE "kill -9 $PPID"
110 PRINT "not reached"
RUN
BAS
"$oru" < killed.bas > killed.out 2>&1
grep -q '^killing$' killed.out || { echo "the transaction did not run:"; cat killed.out; exit 1; }
grep -q '^not reached$' killed.out && { echo "the process was not killed"; exit 1; }
cat > check.bas <<'BAS'
10 BAD=0
20 FOR F=1 TO 3; OPEN (F)"t"+STR(F)
30 IF NUM(FIN(F,"NUMREC"))<>20 THEN BAD=BAD+1; PRINT "file ",F," holds ",FIN(F,"NUMREC")," records"
40 FOR K=1 TO 40; R$=""; READ (F,KEY=STR(K:"0000"),DOM=50)R$
50 W$=""; IF K<=20 THEN W$="committed "+STR(F*100+K)
60 IF R$<>W$ THEN BAD=BAD+1; PRINT "file ",F," key ",K,": [",R$,"]"
70 NEXT K
80 WRITE (F,KEY="0099")"after"; READ (F,KEY="0099")R$; CLOSE (F)
90 NEXT F
100 PRINT "mismatches ",BAD
RUN
BAS
"$oru" < check.bas > check.out 2>&1
if ! grep -q '^mismatches  0$' check.out; then
  echo "files after the kill differ from the last COMMIT:"; grep -v '^-:\|^->' check.out | head -20; exit 1
fi
logs=$(ls logs)
[ "$(echo "$logs" | wc -w)" = 1 ] || { echo "expected one log left by the killed process, found: $logs"; exit 1; }
names=$(sed 's|.*/||' "logs/$logs" | sort | tr '\n' ' ')
[ "$names" = "t1 t2 t3 " ] || { echo "the log names [$names]"; exit 1; }
rm logs/*
printf '%s\n' 'SET_JOURNAL "logs"' 'OPEN (1)"t1"' 'WRITE (1,KEY="0050")"x"' 'INVOKE "ls logs | wc -l"' 'BYE' > normal.bas
"$oru" < normal.bas > normal.out 2>&1
grep -q '^ *1$' normal.out || { echo "no log while the file was changed and open:"; cat normal.out; exit 1; }
[ -z "$(ls logs)" ] || { echo "a normal end left a log: $(ls logs)"; exit 1; }
exit 0
