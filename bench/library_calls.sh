#!/bin/sh
# CALL of a member of a 1,000-member program library beside CALL of the same
# program from its own file: 100,000 calls each, the called program kept by
# the program cache (PC 3, which checks the file, or the library, at every
# call), best of 5 rounds timed in-process with TIM (3.6 ms resolution).
# The ratio is the library's time over the file's (goal: at most 1.2).
# Usage: bench/library_calls.sh [build-dir]
. "$(dirname "$0")/lib.sh"
cd "$tmp"
i=1
while [ $i -le 1000 ]; do
  printf '10 ENTER A,B$,C\n20 EXIT\nSAVE "[lib:big]m%d"\nDELETE\n' $i
  i=$((i + 1))
done | "$oru" > /dev/null
printf '10 ENTER A,B$,C\n20 EXIT\nSAVE "callee"\n' | "$oru" > /dev/null
session() {
  printf '%s\n' "10 PRECISION 9; SET_PARAM 'PC'=3; CALL \"$1\",I,S\$,X" \
    '20 FOR R=1 TO 5' \
    '30 T0=TIM' \
    "40 FOR I=1 TO 100000; CALL \"$1\",I,S\$,X; NEXT I" \
    '50 T=(TIM-T0)*3600; IF R=1 OR T<B THEN B=T' \
    '60 NEXT R' \
    '70 PRINT B' \
    'RUN'
}
t_file=$(session callee | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1)
t_lib=$(session "[lib:big]m500" | "$oru" | awk '/^ *[0-9.]+$/ {print $1}' | tail -1)
echo "$t_file $t_lib" | awk '{
  printf "100,000 CALLs: own file %.4f s  1,000-member library %.4f s  ratio %.2fx\n", $1, $2, $2/$1 }'
