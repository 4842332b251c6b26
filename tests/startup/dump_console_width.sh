#!/bin/sh
# DUMP at a terminal: a string value longer than the screen's width goes on
# on new lines that begin with its name and "+=", none wider than the screen.
oru=$1
lib=$2
command -v script > /dev/null 2>&1 || { echo "script(1) is not installed: skipped"; exit 77; }
value='"Lorem ipsum dolor sit amet, "+$0D0A$+"consectetur adipiscing elit, sed do eiusmod "+$01$+"tempor incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation"'
out=$( (sleep 1; printf 'L$=%s\r' "$value"; sleep 1; printf 'DUMP\r'; sleep 1; printf 'QUIT\r'; sleep 1) |
  ORULIB=$lib COLUMNS=80 LINES=24 timeout 20 script -qec "stty cols 80 rows 24 2>/dev/null; $oru" /dev/null 2>&1 | tr -d '\r')
dump=$(printf '%s\n' "$out" | sed -n '/^! PGN=/,/^! ----/p' | grep '^L\$')
first=$(printf '%s\n' "$dump" | head -1)
more=$(printf '%s\n' "$dump" | grep -c '^L\$+=')
long=$(printf '%s\n' "$dump" | awk 'length($0) > 79' | wc -l)
case "$first" in
  'L$="Lorem ipsum'*) ;;
  *) echo "no dump of L\$:"; printf '%s\n' "$out" | tail -20; exit 1 ;;
esac
if [ "$more" -lt 2 ] || [ "$long" -ne 0 ]; then
  echo "the value did not go on on lines of its own within the width:"
  printf '%s\n' "$dump"
  exit 1
fi
# The pieces put together again are the value.
joined=$(printf '%s\n' "$dump" | sed 's/^L\$+\{0,1\}=//' | tr -d '\n' | sed 's/""//g; s/"+"//g')
want=$(printf '%s' "$value" | sed 's/""//g; s/"+"//g')
if [ "$joined" != "$want" ]; then
  echo "the lines do not make the value again:"
  printf '%s\n%s\n' "$joined" "$want"
  exit 1
fi
exit 0
