#!/bin/sh
# Every built-in function of the keyword lexicon, called at the console with
# 0 to 5 arguments of every mix of the two kinds (a number and a string):
# a count or kind the function does not take is refused when the line is
# entered (a syntax error with its position), and a call that compiles runs:
# it never stops with "Internal code error" (49) or a bare "Syntax error"
# (20) from the run.  A form the function takes may still fail with an error
# of its own (a type, a range, a missing file).
. "$(dirname "$0")/lib.sh"
keywords="$(dirname "$0")/../../lib/keywords.txt"
mkdir work && cd work || exit 2

# Function keywords: the text ends in "(", the code is a function's (73..131,
# or a second byte after 72 or 254), not a listing-only spelling; one
# spelling of each code.
awk '
  /^#/ || NF < 4 { next }
  {
    t = $1; gsub(/"/, "", t)
    if (t !~ /\($/ || t == "(" || $4 >= 64) next
    c = $2 + 0; s = $3 + 0
    if (!((c >= 73 && c <= 131 && c != 88) || ((c == 72 || c == 254) && s > 0))) next
    if (seen[c " " s]++) next
    print t
  }' "$keywords" > functions
[ "$(wc -l < functions)" -gt 150 ] || { echo "too few function keywords read"; exit 1; }

# The forms of one function, one PRINT a line.  CPL( and XEQ( compile and run
# their string as a statement: it is one that compiles.
forms() {
  str='"a"'
  case "$1" in CPL\(|XEQ\() str='"A=1"' ;; esac
  awk -v f="$1" -v str="$str" 'BEGIN {
    print "PRINT " f ")"
    for (k = 1; k <= 5; k++)
      for (m = 0; m < 2 ^ k; m++) {
        line = "PRINT " f
        for (i = 0; i < k; i++) {
          if (i) line = line ","
          line = line (int(m / 2 ^ i) % 2 ? str : "1")
        }
        print line ")"
      }
  }'
}

fail=0
compiled=0
while read -r f; do
  forms "$f" > in.txt
  "$oru" < in.txt > out.txt 2>&1
  # After each echoed "->" line: the error of the run, if any.  A refusal at
  # entry shows "..." and the place.
  awk -v f="$f" '
    /^->/ { form = substr($0, 3); next }
    form == "" { next }
    /Internal code error$/ || /^Syntax error$/ { print "runs into error: " form " -> " $0; bad++ }
    { form = "" }
    END { exit bad > 0 }' out.txt || fail=1
  compiled=$((compiled + $(grep -c '^->' out.txt) - $(grep -c '\.\.\.' out.txt)))
done < functions
[ "$compiled" -gt 1000 ] || { echo "only $compiled forms compiled"; exit 1; }
exit $fail
