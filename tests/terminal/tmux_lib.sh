# Helpers of the terminal tests: oru runs in a private tmux server on an
# 80x24 pseudo-terminal; keys go in with send-keys, the screen comes back
# with capture-pane.  Sourced by each test with $oru and $lib set.
command -v tmux > /dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
sock="oru-test-$$"
work=$(mktemp -d) || exit 2
T() { tmux -L "$sock" "$@"; }
cleanup() { T kill-server 2> /dev/null; rm -rf "$work"; }
trap cleanup EXIT

# start [TERM]: oru at the prompt; the shell reports its status when it ends.
start() {
  term=${1:-xterm}
  T -f /dev/null new-session -d -x 80 -y 24 \
    "cd '$work' && stty -g > '$work/stty.before' && TERM=$term ORULIB='$lib' sh -c 'echo \$\$ > $work/pid; exec $oru'; echo \"status=\$?\" > '$work/status'; stty -g > '$work/stty.tmp'; mv '$work/stty.tmp' '$work/stty.after'; sleep 60"
  wait_for '->'
}

screen() { T capture-pane -p; }

# wait_for TEXT: until the screen shows TEXT (at most 10 seconds).
wait_for() {
  i=0
  while [ $i -lt 100 ]; do
    screen | grep -qF -- "$1" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "timed out waiting for: $1"
  screen
  exit 1
}

# wait_count TEXT N: until TEXT shows on at least N lines.
wait_count() {
  i=0
  while [ $i -lt 100 ]; do
    [ "$(screen | grep -cF -- "$1")" -ge "$2" ] && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "timed out waiting for $2 lines of: $1"
  screen
  exit 1
}

# type_program FILE: the lines of FILE pasted at the prompt.
type_program() {
  T load-buffer "$1"
  T paste-buffer
}

# expect_screen FILE: the screen (trailing blank lines dropped) equals FILE.
expect_screen() {
  screen | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' > "$work/got"
  [ -n "$ORU_UPDATE_SCREENS" ] && cp "$work/got" "$1"
  if ! diff -u "$1" "$work/got"; then
    echo "screen differs from $1"
    exit 1
  fi
}

# quit: QUIT at the prompt; the terminal line must be as it was.
quit_and_check_line() {
  T send-keys 'QUIT' Enter
  i=0
  while [ ! -f "$work/stty.after" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -f "$work/stty.after" ] || { echo "oru did not end"; exit 1; }
  cmp -s "$work/stty.before" "$work/stty.after" || { echo "the terminal line was not restored"; exit 1; }
}
