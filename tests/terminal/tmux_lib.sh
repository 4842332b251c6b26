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

# second_terminal: a second window (:1) idling on a pseudo-terminal of its
# own, $tty2; other prints its screen, wait_other TEXT waits (at most 10
# seconds) until it shows TEXT.
second_terminal() {
  T new-window -d -n other "sleep 600"
  tty2=$(T display -p -t :1 '#{pane_tty}')
  [ -c "$tty2" ] || { echo "no second terminal: skipped"; exit 77; }
  sleep 0.5  # the new pane settles first
}
other() { T capture-pane -p -t :1; }
wait_other() {
  i=0
  while [ $i -lt 100 ]; do
    other | grep -qF -- "$1" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "timed out waiting on the other terminal for: $1"
  other
  exit 1
}

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

# wait_for_line TEXT: until a screen line begins with TEXT (at most 10
# seconds): for a prompt whose text also stands in the program just pasted,
# which shows on the screen until the run clears it.
wait_for_line() {
  i=0
  while [ $i -lt 100 ]; do
    screen | awk -v t="$1" 'index($0, t) == 1 { f = 1 } END { exit !f }' && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "timed out waiting for a line beginning: $1"
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

# expect_screen_soon FILE: as expect_screen, waiting up to 10 seconds for
# the screen to become FILE (a run that repaints what is already shown).
expect_screen_soon() {
  i=0
  while [ $i -lt 100 ]; do
    screen | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' > "$work/got"
    cmp -s "$1" "$work/got" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  expect_screen "$1"
}

# quit: QUIT at the prompt; the terminal line must be as it was.
quit_and_check_line() {
  T send-keys 'QUIT' Enter
  i=0
  while [ ! -f "$work/stty.after" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -f "$work/stty.after" ] || { echo "oru did not end"; exit 1; }
  cmp -s "$work/stty.before" "$work/stty.after" || { echo "the terminal line was not restored"; exit 1; }
}

# cells FILE: a capture-pane -e file as one line per screen line of
# (character, attribute state) pairs, blank cells in the plain state at the
# line ends dropped, so that two screens that show the same compare equal
# however the terminal's escape sequences fell (the line-drawing set chosen
# by shift out and shift in is part of the state).
cells() {
  command -v python3 > /dev/null 2>&1 || { echo "python3 is not installed: skipped"; exit 77; }
  python3 - "$1" << 'PYEOF'
import re, sys
state = ()
for line in open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\n"):
    out, i = [], 0
    while i < len(line):
        m = re.match(r"\x1b\[([0-9;]*)m", line[i:])
        if m:
            codes = [c for c in m.group(1).split(";") if c != ""] or ["0"]
            st = dict(state)
            j = 0
            while j < len(codes):
                c = int(codes[j])
                if c == 0: st = {}
                elif c in (38, 48) and j + 2 < len(codes) and codes[j + 1] == "5":
                    st["fg" if c == 38 else "bg"] = "5;" + codes[j + 2]; j += 2
                elif 30 <= c <= 37 or 90 <= c <= 97: st["fg"] = str(c)
                elif c == 39: st.pop("fg", None)
                elif 40 <= c <= 47 or 100 <= c <= 107: st["bg"] = str(c)
                elif c == 49: st.pop("bg", None)
                elif c in (22, 23, 24, 25, 27): st.pop(str(c - 20), None)
                else: st[str(c)] = 1
                j += 1
            state = tuple(sorted(st.items()))
            i += m.end()
            continue
        if line[i] in "\x0e\x0f":  # shift out / in: the line-drawing set is a state, not a cell
            st = dict(state)
            if line[i] == "\x0e": st["acs"] = 1
            else: st.pop("acs", None)
            state = tuple(sorted(st.items()))
            i += 1
            continue
        out.append((line[i], state))
        i += 1
    while out and out[-1][0] == " " and out[-1][1] == ():
        out.pop()
    print(repr(out))
PYEOF
}

# expect_cells_soon FILE LINE: waits up to 10 seconds for the screen,
# attributes included (see cells), to equal the capture-pane -e file FILE;
# screen line LINE (counted from 1: a prompt that differs) is left out.
expect_cells_soon() {
  cells "$1" | sed "${2}d" > "$work/want.cells"
  i=0
  while [ $i -lt 100 ]; do
    T capture-pane -p -e > "$work/now"
    cells "$work/now" | sed "${2}d" > "$work/now.cells"
    cmp -s "$work/want.cells" "$work/now.cells" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  echo "the screen is not as captured in $1"
  diff "$1" "$work/now" | cat -v
  exit 1
}
