#!/bin/sh
# Two oru processes on one file: an exclusive OPEN in one refuses the file to
# the other (error 0, the file is in use), also to an input-only open; a
# shared open refuses an exclusive one elsewhere; CLOSE releases the file,
# and so does the end of the holding process, even when it is killed.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
holder=
cleanup() {
  exec 7>&-
  [ -n "$holder" ] && kill -9 "$holder" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
printf 'one line\n' > data
mkfifo in || exit 2
"$oru" < in > held.out 2>&1 &
holder=$!
exec 7> in

# Types a line at the holding process and waits until it printed mark.
hold() {
  printf '%s\nPRINT "%s"\n' "$1" "$2" >&7
  i=0
  until grep -q "^$2\$" held.out 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 200 ] && { echo "holder did not reach $2"; cat held.out; exit 1; }
    sleep 0.05
  done
}

# Another process tries an OPEN (modifier in $1); prints "opened" or
# "refused <error>".  No busy retries: the answer comes at once.
try_open() {
  printf '10 SET_PARAM '"'"'WT'"'"'=0\n20 OPEN %s(1,ERR=100)"data"\n30 PRINT "opened"\n40 END\n100 PRINT "refused",ERR\nRUN\n' "$1" |
    "$oru" 2>&1 | grep -E '^(opened|refused)' | tr -s ' '
}

expect() {  # expect "what" "modifier" "answer"
  got=$(try_open "$2")
  if [ "$got" != "$3" ]; then
    echo "$1: got '$got', want '$3'"
    cat held.out
    exit 1
  fi
}

hold 'OPEN LOCK (1)"data"' held
expect "shared open of a file held exclusively" "" "refused 0"
expect "input-only open of a file held exclusively" "INPUT " "refused 0"
expect "exclusive open of a file held exclusively" "LOCK " "refused 0"

hold 'CLOSE (1)' closed
expect "shared open after CLOSE" "" "opened"
expect "exclusive open after CLOSE" "LOCK " "opened"

hold 'OPEN INPUT (1)"data"' reading
expect "exclusive open of a file another process reads" "LOCK " "refused 0"
expect "shared open beside a reader" "" "opened"
hold 'CLOSE (1)' closed2

hold 'OPEN LOCK (1)"data"' again
kill -9 "$holder"
wait "$holder" 2>/dev/null
holder=
expect "exclusive open after the holder was killed" "LOCK " "opened"
exit 0
