# Shared by the start-up tests, sourced first as
#   . "$(dirname "$0")/lib.sh"
# by a script called with the oru executable and the library directory.
# Sets $oru and $lib and moves to a scratch directory that is removed on
# exit, with ORULIB set and no ORUINI.  Not a test of its own.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
holder=
writer=
cleanup() {
  exec 7>&-
  [ -n "$holder" ] && kill -9 "$holder" 2>/dev/null
  [ -n "$writer" ] && kill -9 "$writer" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI

# Two processes: a holder whose console reads the fifo "in" (kept open on
# descriptor 7; its output goes to held.out) holds files while the test
# starts other oru processes against them.
start_holder() {
  mkfifo in || exit 2
  "$oru" < in > held.out 2>&1 &
  holder=$!
  exec 7> in
}

# hold LINE MARK: types a line at the holder and waits until it printed MARK.
hold() {
  printf '%s\nPRINT "%s"\n' "$1" "$2" >&7
  i=0
  until grep -q "^$2\$" held.out 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 1200 ] && { echo "holder did not reach $2"; cat held.out; exit 1; }
    sleep 0.05
  done
}

# expect WHAT ARGUMENT ANSWER: the script's answer(), which starts the other
# process, prints ANSWER for ARGUMENT; else the test fails, showing the
# holder's output.
expect() {
  got=$(answer "$2")
  if [ "$got" != "$3" ]; then
    echo "$1: got '$got', want '$3'"
    cat held.out
    exit 1
  fi
}

# end_holder kill|quit: the holder is killed, or types QUIT; waits for it.
end_holder() {
  if [ "$1" = kill ]; then
    kill -9 "$holder"
  else
    printf 'QUIT\n' >&7
    exec 7>&-
  fi
  wait "$holder" 2>/dev/null
  holder=
}

# wait_for FILE TEXT: until FILE holds a line starting with TEXT (60 s at
# most; else the test fails, showing FILE).
wait_for() {
  i=0
  until grep -q "^$2" "$1" 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 1200 ] && { echo "no \"$2\" in $1:"; cat "$1"; exit 1; }
    sleep 0.05
  done
}

# kill_after TEXT LINE...: types the program lines LINE... and RUN at an oru
# process of their own (its output in killed.out) and kills it with kill -9
# once it printed a line starting with TEXT.
kill_after() {
  mark=$1; shift
  # A "written" left from the last run must not be taken for this one's.
  rm -f killed.out
  printf '%s\n' "$@" RUN | "$oru" > killed.out 2>&1 &
  writer=$!
  wait_for killed.out "$mark"
  kill -9 "$writer"; wait "$writer" 2>/dev/null
  writer=
}

# keyed_file KEYS RECLEN N: makes the keyed file "big" with the key list
# KEYS and N records: key "000001" up, field 2 the number MOD 500.
keyed_file() {
  rm -f big started done rebuild.out writer.out
  printf '%s\n' "10 KEYED \"big\",\"$1\",0,$2" '20 OPEN (1)"big"' \
    "30 FOR I=1 TO $3; WRITE (1)STR(I:\"000000\"),STR(MOD(I,500):\"000000\"); NEXT I" RUN |
    "$oru" > /dev/null 2>&1
}

# start_rebuild: a KEYED LOAD of every key of "big" in the background
# ($rebuilder; "rebuilt" in rebuild.out at its end), between the files
# "started" and "done"; returns once it has started.
start_rebuild() {
  printf '%s\n' '10 OPEN (1)"big"; SERIAL "started"' '20 KEYED LOAD (1)' '30 SERIAL "done"; PRINT "rebuilt"' RUN |
    "$oru" > rebuild.out 2>&1 &
  rebuilder=$!
  i=0
  until [ -f started ]; do
    i=$((i + 1)); [ $i -gt 6000 ] && { echo "no rebuild seen"; exit 1; }
    sleep 0.005
  done
}
