#!/bin/sh
# At a terminal the console reads whole lines in the terminal's own line mode:
# lines typed after the prompt is up are read and run, and QUIT ends it.
oru=$1
lib=$2
command -v script > /dev/null 2>&1 || { echo "script(1) is not installed: skipped"; exit 77; }
out=$( (sleep 1; printf 'PRINT 20+22\r'; sleep 1; printf 'QUIT\r'; sleep 1) |
  ORULIB=$lib timeout 20 script -qec "$oru; echo session-ended=\$?" /dev/null 2>&1 | tr -d '\r')
case "$out" in
  *" 42"*"session-ended=0"*) exit 0 ;;
esac
echo "the console did not read typed lines at a terminal:"
echo "$out" | grep -v '^$' | head -20
exit 1
