#!/bin/sh
# A batch job run from the command line: it reads its arguments and an
# environment variable, changes to its work directory, writes a line to the
# trace log, traces one section of itself to a log file, and when a step
# fails reports the error and its own call stack, then the traced section.
. "$(dirname "$0")/lib.sh"
mkdir work
: > orutrace.log  # the trace log is written only when it exists
cat > job.bas <<'EOF'
10 REM nightly totals: arguments, environment, work directory, traced section
20 SETERR 900
30 DIR$=ARG(1); COUNT=NUM(ARG(2)); MODE$=ENV("BATCH_MODE")
40 PRINT "job started: mode ",MODE$,",",COUNT," records in ",DIR$
50 CWD DIR$,ERR=800
60 TRACE "batch job "+MODE$+" started in "+DIR()
70 SERIAL "section.log"; OPEN LOCK (7)"section.log"; TRACE (7)
80 TOTAL=0; FOR I=1 TO COUNT
90 TOTAL=TOTAL+I*10
100 NEXT I
110 ENDT; CLOSE (7)
120 PRINT "total",TOTAL
130 GOSUB 500
140 PRINT "not reached"
150 END
500 REM the average per missing record fails
510 AVG=TOTAL/(COUNT-COUNT)
520 RETURN
800 PRINT "cannot enter ",DIR$,": ",MSG(ERR); END
900 PRINT "error",ERR," at line",ERR("Stno"),": ",MSG(ERR)
910 L=0
920 S$=STK(L,ERR=950); PRINT "call level",L,": line ",S$(1,5)," of [",S$(6),"]"; L=L+1; GOTO 920
950 PRINT "the traced section:"
960 OPEN (7)"section.log"
970 READ (7,END=990)T$; PRINT "  ",T$; GOTO 970
990 CLOSE (7); END
RUN
EOF
fail=0
BATCH_MODE=nightly "$oru" -ARG work 3 < job.bas > got 2>&1
grep -v '^[-][>:]' got > out
cat > want <<'EOF'
job started: mode nightly, 3 records in work
total 60
error 40 at line 510: Numeric overflow or division by zero
call level 0: line 00920 of []
the traced section:
  0070 SERIAL "section.log"; OPEN LOCK (7)"section.log"; TRACE (7)
  0080 TOTAL=0; FOR I=1 TO COUNT
  0090 TOTAL=TOTAL+I*10
  0100 NEXT I
  0090 TOTAL=TOTAL+I*10
  0100 NEXT I
  0090 TOTAL=TOTAL+I*10
  0100 NEXT I
  0110 ENDT; CLOSE (7)
EOF
if ! cmp -s want out; then diff -u want out; fail=1; fi
[ -f work/section.log ] || { echo "the section log is not in the work directory"; fail=1; }
if ! grep -qx "batch job nightly started in $tmp/work/" orutrace.log; then
  echo "trace log:"; cat orutrace.log; fail=1
fi
# A work directory that does not exist: the job says so and stops.
BATCH_MODE=nightly "$oru" -ARG missing 3 < job.bas > got 2>&1
grep -v '^[-][>:]' got > out
printf 'job started: mode nightly, 3 records in missing\ncannot enter missing: File not found\n' > want
if ! cmp -s want out; then diff -u want out; fail=1; fi
exit $fail
