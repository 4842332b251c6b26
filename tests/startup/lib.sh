# Shared by the start-up tests, sourced first as
#   . "$(dirname "$0")/lib.sh"
# by a script called with the oru executable and the library directory.
# Sets $oru and $lib and moves to a scratch directory that is removed on
# exit, with ORULIB set and no ORUINI.  Not a test of its own.
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
